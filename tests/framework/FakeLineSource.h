#pragma once

#include "framework/Utf8.h"
#include "framework/ui/LineLayout.h"
#include "framework/ui/ShownText.h"

#include <string>
#include <vector>

// Lines held as strings, for the layout's tests and benchmarks.
struct TFakeLineSource : TLineSource {
    std::vector<std::string> lines;
    std::vector<Qt::Alignment> alignments; // per line; left where missing
    bool unicode = true;

    size_t LineCount() const override { return lines.size(); }
    size_t LineLength(size_t line) const override { return lines[line].size(); }
    void LineLengths(size_t first, size_t count, std::vector<std::uint32_t>& out) const override {
        for (size_t i = first; i < first + count; ++i) {
            out.push_back(static_cast<std::uint32_t>(lines[i].size()));
        }
    }
    Qt::Alignment LineAlignment(size_t line) const override {
        return line < alignments.size() ? alignments[line] : Qt::AlignLeft;
    }
    void Bytes(size_t line, size_t from, size_t to, std::string& out) const override {
        out.append(lines[line], from, to - from);
    }
    void ShownText(size_t line, size_t from, size_t to, TShown& out) const override {
        out.bytes.assign(lines[line], from, to - from);
        out.text.clear();
        Shown::AppendShown(out.text, out.bytes, unicode, nullptr);
        out.formats.clear();
        out.unicode = unicode;
    }
    size_t CharStart(size_t line, size_t at) const override {
        const std::string& body = lines[line];
        if (!unicode || at >= body.size()) {
            return at;
        }
        for (size_t k = 1; k <= 3 && k <= at; ++k) {
            const size_t p = at - k;
            if ((static_cast<unsigned char>(body[p]) & 0xC0) != 0x80) {
                return Utf8::SequenceLength(body, p) > static_cast<int>(k) ? p : at;
            }
        }
        return at;
    }
};

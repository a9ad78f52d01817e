#pragma once

// The 20 MB texts the text tools are timed on, and the controls they are
// timed in.

#include "bench/common/BenchText.h"
#include "bench/common/EditBench.h"
#include "framework/ui/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace bench {

constexpr size_t kTextToolsSize = size_t{20} << 20;
constexpr char kSearch[] = "Zebra";
constexpr char kReplacement[] = "Quagga";

// The bench text with `matches` line starts made "Zebra", spread evenly.
inline const std::string& TextWith(int matches) {
    static std::map<int, std::string> cache;
    std::string& t = cache[matches];
    if (t.empty()) {
        t = MakeBenchText(kTextToolsSize, false);
        if (matches > 0) {
            const size_t stride = t.size() / static_cast<size_t>(matches) / 60 * 60;
            for (int i = 0; i < matches; ++i) {
                t.replace(static_cast<size_t>(i) * stride, 5, kSearch);
            }
        }
    }
    return t;
}

// 20 MB of UTF-8 in lines of about 60 bytes, words of Latin letters plain
// and accented, Greek, Cyrillic, CJK and an emoji; `matches` line starts
// spread evenly are "Zebra", and a line 99 % of the way down starts with the
// marker.
inline const std::string& Utf8TextWith(int matches) {
    static std::map<int, std::string> cache;
    std::string& t = cache[matches];
    if (!t.empty()) {
        return t;
    }
    static const char* const words[] = {"lorem",  "ipsum",  "café", "naïve",  "καλημέρα",
                                        "κόσμος", "привет", "мир",  "日本語", "😀",
                                        "straße", "edit",   "text", "window"};
    std::vector<std::string> lines;
    std::uint32_t seed = 12345;
    // Room for the words put in front of lines below.
    const size_t body = kTextToolsSize - static_cast<size_t>(matches) * 6 - 17;
    for (size_t size = 0; size + 64 <= body;) {
        std::string line;
        while (line.size() < 54) {
            seed = seed * 1103515245u + 12345u;
            line += words[(seed >> 16) % std::size(words)];
            line += ' ';
        }
        line.back() = '\n';
        size += line.size();
        lines.push_back(std::move(line));
    }
    for (int i = 0; i < matches; ++i) {
        lines[static_cast<size_t>(i) * (lines.size() / static_cast<size_t>(matches))].insert(
            0, std::string(kSearch) + " ");
    }
    lines[lines.size() - lines.size() / 100].insert(0, "MarkerNearTheEnd ");
    t.reserve(kTextToolsSize);
    for (const std::string& line : lines) {
        t += line;
    }
    return t;
}

// Lays the whole of the toolkit's document out now, instead of bit by bit
// while idle.
inline void LayOut(QTextEdit& edit) {
    edit.document()->documentLayout()->blockBoundingRect(edit.document()->lastBlock());
}

// A fresh, shown control holding the text, its first screen painted, as a
// document is once its window has been idle for a moment (the control lays
// out only what is shown or asked about).
inline std::unique_ptr<TRichEdit> ControlWith(const std::string& text,
                                              TEncoding encoding = TEncoding::Windows1252) {
    auto edit = Shown<TRichEdit>();
    edit->SetEncoding(encoding);
    edit->SetText(text);
    Painted(*edit);
    return edit;
}

} // namespace bench

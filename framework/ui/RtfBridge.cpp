#include "framework/ui/RtfBridge.h"

#include "framework/Progress.h"
#include "framework/TextEncoding.h"
#include "framework/ui/RtfFormats.h"
#include "framework/ui/ShownText.h"
#include "framework/ui/TextMirror.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <malloc.h>

namespace {

// Paragraphs between two progress reports.
constexpr int kReportEvery = 4096;

using RtfFormats::FromRtf;
using RtfFormats::ToRtf;

Rtf::Document rangeToRtf(const QTextDocument& document, const TTextMirror& mirror, int from, int to,
                         TProgress* progress) {
    Rtf::Document out;
    out.paragraphs.clear();
    out.unicode = mirror.Unicode();
    // Text without a font of its own shows in the control's base font, and
    // other programs are to show it so too.
    out.base = RtfFormats::BaseFontOf(document.defaultFont());
    const std::string& bytes = mirror.Bytes();
    const int blocks = document.blockCount();
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (progress != nullptr && block.blockNumber() % kReportEvery == 0) {
            progress->Report(static_cast<double>(block.blockNumber()) / blocks);
        }
        Rtf::Paragraph paragraph;
        paragraph.alignment = ToRtf(block.blockFormat().alignment());
        const int byteStart = mirror.BlockByteStart(block.blockNumber());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(fragment.position(), from);
            const int end = std::min(fragment.position() + fragment.length(), to);
            if (!fragment.isValid() || start >= end) {
                continue;
            }
            Rtf::Run run;
            run.format = ToRtf(fragment.charFormat());
            if (mirror.Unicode()) {
                // Characters are of many lengths: the bytes come from the
                // characters shown, as the mirror reads them.
                const QString shown = fragment.text().mid(start - fragment.position(), end - start);
                run.text = mirror.BytesOfShown(shown, start, {});
            } else {
                run.text.assign(bytes, static_cast<size_t>(byteStart + start - block.position()),
                                static_cast<size_t>(end - start));
            }
            if (!paragraph.runs.empty() && paragraph.runs.back().format == run.format) {
                paragraph.runs.back().text += run.text;
            } else {
                paragraph.runs.push_back(std::move(run));
            }
        }
        out.paragraphs.push_back(std::move(paragraph));
    }
    if (out.paragraphs.empty()) {
        out.paragraphs.emplace_back();
    }
    return out;
}

} // namespace

Rtf::Document DocumentToRtf(const QTextDocument& document, const TTextMirror& mirror,
                            TProgress* progress) {
    return rangeToRtf(document, mirror, 0, document.characterCount() - 1, progress);
}

Rtf::Document RangeToRtf(const QTextDocument& document, const TTextMirror& mirror, int from,
                         int to) {
    return rangeToRtf(document, mirror, from, to, nullptr);
}

void InsertRtfDocument(QTextCursor& cursor, const Rtf::Document& document,
                       const TRtfInsertion& how) {
    // Text of one format goes in with one insertion, paragraph breaks
    // included; a break's format records the line end it stands for.
    // Alignments are set afterwards on the paragraphs that need one.
    const int firstBlock = cursor.blockNumber();
    QString chunk;
    Rtf::CharFormat chunkFormat;
    TTextMirror::LineEnd chunkLineEnd = TTextMirror::None;
    bool haveChunk = false;
    auto flush = [&] {
        if (!chunk.isEmpty()) {
            QTextCharFormat format = FromRtf(chunkFormat);
            TTextMirror::MarkLineEnd(format, chunkLineEnd);
            cursor.insertText(chunk, format);
            chunk.clear();
        }
        chunkLineEnd = TTextMirror::None;
    };
    auto append = [&](const Rtf::CharFormat& format, const QString& text) {
        if (haveChunk && !(format == chunkFormat)) {
            flush();
        }
        chunkFormat = format;
        haveChunk = true;
        chunk += text;
    };
    std::vector<Shown::TLiteral> literals;
    const size_t paragraphs = document.paragraphs.size();
    for (size_t p = 0; p < paragraphs; ++p) {
        if (how.progress != nullptr && p % kReportEvery == 0 && p > 0) {
            flush(); // what is in so far goes in before the report
            how.progress->Report(static_cast<double>(p) / static_cast<double>(paragraphs));
        }
        const Rtf::Paragraph& paragraph = document.paragraphs[p];
        if (p > 0) {
            // A break takes the format of the text before it.
            const TTextMirror::LineEnd kind =
                p - 1 < how.lineEnds.size() ? how.lineEnds[p - 1] : how.lineEnd;
            if (chunkLineEnd != TTextMirror::None && chunkLineEnd != kind) {
                flush();
            }
            append(haveChunk ? chunkFormat : Rtf::CharFormat{}, QStringLiteral("\n"));
            chunkLineEnd = kind;
        }
        for (const Rtf::Run& run : paragraph.runs) {
            std::string converted;
            std::string_view bytes = run.text;
            if (how.textIsUtf8 != how.unicode) {
                converted = how.unicode ? CodePageToUtf8(run.text) : Utf8ToCodePage(run.text);
                bytes = converted;
            }
            QString text;
            literals.clear();
            Shown::AppendShown(text, bytes, how.unicode, &literals);
            qsizetype at = 0;
            for (const Shown::TLiteral& literal : literals) {
                // A literal goes in alone, its format holding what it stands for.
                append(run.format, text.mid(at, literal.at - at));
                flush();
                QTextCharFormat own = FromRtf(run.format);
                own.setProperty(Shown::kLiteralProperty, static_cast<int>(literal.ch));
                cursor.insertText(text.mid(literal.at, 1), own);
                at = literal.at + 1;
            }
            append(run.format, at == 0 ? text : text.mid(at));
        }
    }
    flush();
    const QTextDocument* doc = cursor.document();
    const size_t aligned = how.paste && paragraphs > 0 ? paragraphs - 1 : paragraphs;
    for (size_t p = 0; p < aligned; ++p) {
        const Rtf::Alignment a = document.paragraphs[p].alignment;
        if (a == Rtf::Alignment::Left && !how.paste) {
            continue; // a fresh document is aligned left
        }
        QTextCursor at(doc->findBlockByNumber(firstBlock + static_cast<int>(p)));
        QTextBlockFormat format = at.blockFormat();
        if (format.alignment() != FromRtf(a)) {
            format.setAlignment(FromRtf(a));
            at.setBlockFormat(format);
        }
    }
    ReportProgress(how.progress, 1.0);
}

TGiveBackFreedHeap::~TGiveBackFreedHeap() {
    ::malloc_trim(0);
}

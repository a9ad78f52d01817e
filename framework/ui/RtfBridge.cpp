#include "framework/ui/RtfBridge.h"

#include "framework/Progress.h"
#include "framework/ui/TextMirror.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kCharsetProperty = QTextFormat::UserProperty + 0x51;
// Paragraphs between two progress reports.
constexpr int kReportEvery = 4096;

Rtf::Alignment toRtf(Qt::Alignment a) {
    if (a & Qt::AlignHCenter) {
        return Rtf::Alignment::Center;
    }
    if (a & Qt::AlignRight) {
        return Rtf::Alignment::Right;
    }
    if (a & Qt::AlignJustify) {
        return Rtf::Alignment::Justify;
    }
    return Rtf::Alignment::Left;
}

Qt::Alignment fromRtf(Rtf::Alignment a) {
    switch (a) {
    case Rtf::Alignment::Center:
        return Qt::AlignHCenter;
    case Rtf::Alignment::Right:
        return Qt::AlignRight;
    case Rtf::Alignment::Justify:
        return Qt::AlignJustify;
    case Rtf::Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

Rtf::CharFormat toRtf(const QTextCharFormat& f) {
    Rtf::CharFormat r;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty()) {
        r.face = families.front().toStdString();
    }
    if (f.hasProperty(QTextFormat::FontPointSize)) {
        r.halfPoints = static_cast<int>(std::lround(f.fontPointSize() * 2));
    }
    r.bold = f.fontWeight() >= QFont::Bold;
    r.italic = f.fontItalic();
    r.underline = f.fontUnderline();
    r.strikeOut = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
        r.color = f.foreground().color().rgb() & 0xFFFFFFu;
    }
    if (f.hasProperty(kCharsetProperty)) {
        r.charset = f.intProperty(kCharsetProperty);
    }
    return r;
}

QTextCharFormat fromRtf(const Rtf::CharFormat& r) {
    QTextCharFormat f;
    if (!r.face.empty()) {
        f.setFontFamilies({QString::fromStdString(r.face)});
    }
    if (r.halfPoints > 0) {
        f.setFontPointSize(r.halfPoints / 2.0);
    }
    if (r.bold) {
        f.setFontWeight(QFont::Bold);
    }
    if (r.italic) {
        f.setFontItalic(true);
    }
    if (r.underline) {
        f.setFontUnderline(true);
    }
    if (r.strikeOut) {
        f.setFontStrikeOut(true);
    }
    if (r.color) {
        f.setForeground(QColor::fromRgb(*r.color));
    }
    if (r.charset >= 0) {
        f.setProperty(kCharsetProperty, r.charset);
    }
    return f;
}

} // namespace

Rtf::Document DocumentToRtf(const QTextDocument& document, const TTextMirror& mirror,
                            TProgress* progress) {
    Rtf::Document out;
    out.paragraphs.clear();
    // Text without a font of its own shows in the control's base font, and
    // other programs are to show it so too.
    const QFont base = document.defaultFont();
    out.base.face = base.family().toStdString();
    const double points =
        base.pointSizeF() > 0 ? base.pointSizeF() : base.pixelSize() * 72.0 / 96.0;
    out.base.halfPoints = std::max(1, static_cast<int>(std::lround(points * 2)));
    const std::string& bytes = mirror.Bytes();
    const int blocks = document.blockCount();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (progress != nullptr && block.blockNumber() % kReportEvery == 0) {
            progress->Report(static_cast<double>(block.blockNumber()) / blocks);
        }
        Rtf::Paragraph paragraph;
        paragraph.alignment = toRtf(block.blockFormat().alignment());
        const int byteStart = mirror.BlockByteStart(block.blockNumber(), block.position());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.length() == 0) {
                continue;
            }
            Rtf::Run run;
            run.format = toRtf(fragment.charFormat());
            run.text.assign(bytes,
                            static_cast<size_t>(byteStart + fragment.position() - block.position()),
                            static_cast<size_t>(fragment.length()));
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

void InsertRtfDocument(QTextCursor& cursor, const Rtf::Document& document, TProgress* progress) {
    // Text of one format goes in with one insertion, paragraph breaks
    // included; alignments are set afterwards on the few paragraphs that need one.
    const int firstBlock = cursor.blockNumber();
    QString chunk;
    Rtf::CharFormat chunkFormat;
    bool haveChunk = false;
    auto flush = [&] {
        if (!chunk.isEmpty()) {
            cursor.insertText(chunk, fromRtf(chunkFormat));
            chunk.clear();
        }
    };
    auto append = [&](const Rtf::CharFormat& format, const QString& text) {
        if (haveChunk && !(format == chunkFormat)) {
            flush();
        }
        chunkFormat = format;
        haveChunk = true;
        chunk += text;
    };
    const size_t paragraphs = document.paragraphs.size();
    for (size_t p = 0; p < paragraphs; ++p) {
        if (progress != nullptr && p % kReportEvery == 0 && p > 0) {
            flush(); // what is in so far goes in before the report
            progress->Report(static_cast<double>(p) / static_cast<double>(paragraphs));
        }
        const Rtf::Paragraph& paragraph = document.paragraphs[p];
        if (p > 0) {
            // A break takes the format of the text before it.
            append(haveChunk ? chunkFormat : Rtf::CharFormat{}, QStringLiteral("\n"));
        }
        for (const Rtf::Run& run : paragraph.runs) {
            QString text(static_cast<qsizetype>(run.text.size()), Qt::Uninitialized);
            QChar* dst = text.data();
            for (const char c : run.text) {
                *dst++ = TTextMirror::Display(static_cast<unsigned char>(c));
            }
            append(run.format, text);
        }
    }
    flush();
    const QTextDocument* doc = cursor.document();
    for (size_t p = 0; p < document.paragraphs.size(); ++p) {
        const Rtf::Alignment a = document.paragraphs[p].alignment;
        if (a == Rtf::Alignment::Left) {
            continue;
        }
        QTextCursor at(doc->findBlockByNumber(firstBlock + static_cast<int>(p)));
        QTextBlockFormat format = at.blockFormat();
        format.setAlignment(fromRtf(a));
        at.setBlockFormat(format);
    }
    ReportProgress(progress, 1.0);
}

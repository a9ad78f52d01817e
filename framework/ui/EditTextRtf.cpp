#include "framework/ui/EditTextRtf.h"

#include "framework/Progress.h"
#include "framework/TextEncoding.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/RtfFormats.h"
#include "framework/ui/ShownText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <malloc.h>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

using TRun = TEditText::TRun;

// Paragraphs between two progress reports.
constexpr std::size_t kReportEvery = 4096;

std::uint32_t alignmentValue(Rtf::Alignment alignment) {
    return static_cast<std::uint32_t>(RtfFormats::FromRtf(alignment).toInt());
}

// The text's format ids of the document's formats. A document holds few
// formats and runs of one follow each other: the last one is asked first.
class TFormatIds {
public:
    explicit TFormatIds(TEditText& text) : text_(text) {}

    std::uint32_t Of(const Rtf::CharFormat& format) {
        if (last_ < seen_.size() && seen_[last_].first == format) {
            return seen_[last_].second;
        }
        for (last_ = 0; last_ < seen_.size(); ++last_) {
            if (seen_[last_].first == format) {
                return seen_[last_].second;
            }
        }
        seen_.emplace_back(format, text_.InternFormat(RtfFormats::FromRtf(format)));
        return seen_.back().second;
    }

private:
    TEditText& text_;
    std::vector<std::pair<Rtf::CharFormat, std::uint32_t>> seen_;
    std::size_t last_ = 0;
};

// The RTF formats of the text's format ids, each converted once.
class TRtfFormats {
public:
    explicit TRtfFormats(const TEditText& text) : text_(text) {}

    const Rtf::CharFormat& Of(std::uint32_t id) {
        if (id >= formats_.size()) {
            formats_.resize(id + 1);
        }
        if (!formats_[id]) {
            formats_[id] = RtfFormats::ToRtf(text_.Format(id));
        }
        return *formats_[id];
    }

private:
    const TEditText& text_;
    std::vector<std::optional<Rtf::CharFormat>> formats_;
};

// A document as the text model takes it: its bytes, their formats, and one
// alignment a paragraph.
struct TInsertion {
    std::string bytes;
    std::vector<TRun> formats;
    std::vector<TRun> alignments;
};

TInsertion build(TEditText& text, const Rtf::Document& document, bool unicode,
                 const TEditTextRtfInsertion& how) {
    TInsertion out;
    const std::size_t paragraphs = document.paragraphs.size();
    const bool convert = document.unicode != unicode;
    std::size_t size = 2 * paragraphs;
    for (const Rtf::Paragraph& paragraph : document.paragraphs) {
        for (const Rtf::Run& run : paragraph.runs) {
            size += run.text.size();
        }
    }
    out.bytes.reserve(convert && unicode ? size + size / 4 : size);
    TFormatIds ids(text);
    std::uint32_t before = 0; // a break takes the format of the text before it
    std::string converted;
    for (std::size_t p = 0; p < paragraphs; ++p) {
        if (how.progress != nullptr && p % kReportEvery == 0 && p > 0) {
            how.progress->Report(static_cast<double>(p) / static_cast<double>(paragraphs));
        }
        if (p > 0) {
            const TEditText::LineEnd kind =
                p - 1 < how.lineEnds.size() ? how.lineEnds[p - 1] : how.lineEnd;
            const char* lineEnd = TEditText::LineEndBytes(kind);
            out.bytes.append(lineEnd);
            TRunList::Append(out.formats, {std::strlen(lineEnd), before});
        }
        const Rtf::Paragraph& paragraph = document.paragraphs[p];
        for (const Rtf::Run& run : paragraph.runs) {
            std::string_view bytes = run.text;
            if (convert) {
                converted = unicode ? CodePageToUtf8(run.text) : Utf8ToCodePage(run.text);
                bytes = converted;
            }
            before = ids.Of(run.format);
            out.bytes.append(bytes);
            TRunList::Append(out.formats, {bytes.size(), before});
        }
        TRunList::Append(out.alignments, {1, alignmentValue(paragraph.alignment)});
    }
    return out;
}

// The whole text anew as a load: the bytes in one pass, then the formats
// and the alignments each in one pass over their runs.
void assignWhole(TEditText& text, TInsertion&& whole, bool unicode) {
    text.BeginChange();
    text.Assign(std::move(whole.bytes), unicode, true);
    if (whole.formats.size() > 1 || (whole.formats.size() == 1 && whole.formats[0].value != 0)) {
        TEditPatch formats;
        formats.kind = TEditPatch::Kind::Formats;
        formats.formats = std::move(whole.formats);
        text.Apply(formats);
    }
    if (whole.alignments.size() > 1 ||
        (whole.alignments.size() == 1 &&
         whole.alignments[0].value != static_cast<std::uint32_t>(Qt::AlignLeft))) {
        TEditPatch alignments;
        alignments.kind = TEditPatch::Kind::Alignments;
        alignments.alignments = std::move(whole.alignments);
        text.Apply(alignments);
    }
    text.EndChange();
}

// The lines [LineOf(from), LineOf(to)] in turn: `line` is told each, with its
// alignment, then `stretch` each stretch of its body within [from, to) that
// has one format. `bytes` holds the text from `offset` on.
template <class Line, class Stretch>
void walkLines(const TEditText& text, std::size_t from, std::size_t to, std::string_view bytes,
               std::size_t offset, TProgress* progress, Line&& line, Stretch&& stretch) {
    const std::vector<TRun> formats = text.FormatRuns(from, to);
    std::size_t run = 0;
    std::size_t runEnd = from + (formats.empty() ? 0 : formats[0].length);
    const std::size_t firstLine = text.LineOf(from);
    const std::size_t lastLine = text.LineOf(to);
    const std::vector<TRun> alignments = text.AlignmentRuns(firstLine, lastLine + 1);
    std::size_t alignment = 0;
    std::size_t alignmentEnd = firstLine + (alignments.empty() ? 0 : alignments[0].length);
    const double lines = static_cast<double>(lastLine - firstLine + 1);
    // Line ends are found in the bytes, as the text finds them: a CR LF, a
    // lone CR or a lone LF.
    const auto find = [&](char c, std::size_t at) {
        const std::size_t i = at - offset;
        const std::size_t end = to - offset;
        const void* hit = i < end ? std::memchr(bytes.data() + i, c, end - i) : nullptr;
        return hit ? offset + static_cast<std::size_t>(static_cast<const char*>(hit) - bytes.data())
                   : to;
    };
    std::size_t nextCr = find('\r', from);
    std::size_t nextLf = find('\n', from);
    std::size_t at = from;
    for (std::size_t l = firstLine; l <= lastLine; ++l) {
        if (progress != nullptr && (l - firstLine) % kReportEvery == 0) {
            progress->Report(static_cast<double>(l - firstLine) / lines);
        }
        while (l >= alignmentEnd && alignment + 1 < alignments.size()) {
            alignmentEnd += alignments[++alignment].length;
        }
        line(l, alignments.empty()
                    ? Qt::Alignment(Qt::AlignLeft)
                    : Qt::Alignment(static_cast<Qt::Alignment::Int>(alignments[alignment].value)));
        if (nextCr < at) {
            nextCr = find('\r', at);
        }
        if (nextLf < at) {
            nextLf = find('\n', at);
        }
        const std::size_t bodyEnd = std::min(nextCr, nextLf);
        while (at < bodyEnd) {
            while (at >= runEnd && run + 1 < formats.size()) {
                runEnd += formats[++run].length;
            }
            const std::size_t end = std::min(runEnd, bodyEnd);
            stretch(formats[run].value, bytes.substr(at - offset, end - at));
            at = end;
        }
        if (bodyEnd < to) {
            const std::size_t i = bodyEnd - offset;
            const bool crlf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
            at = bodyEnd + (crlf ? 2 : 1);
        }
    }
}

} // namespace

Rtf::Document TextToRtf(const TEditText& text, std::size_t from, std::size_t to,
                        const QFont& baseFont, TProgress* progress) {
    to = std::min(to, text.Size());
    from = std::min(from, to);
    Rtf::Document out;
    out.paragraphs.clear();
    out.unicode = text.Unicode();
    out.base = RtfFormats::BaseFontOf(baseFont);
    // A save reads the whole text in place; a copy of a selection, its bytes.
    const bool whole = 2 * (to - from) >= text.Size();
    std::string part;
    if (!whole) {
        part = text.Range(from, to - from);
    }
    const std::string_view bytes = whole ? std::string_view(text.Bytes()) : part;
    const std::size_t offset = whole ? 0 : from;

    TRtfFormats rtfFormats(text);
    out.paragraphs.reserve(text.LineOf(to) - text.LineOf(from) + 1);
    walkLines(
        text, from, to, bytes, offset, progress,
        [&](std::size_t, Qt::Alignment alignment) {
            out.paragraphs.push_back(Rtf::Paragraph{RtfFormats::ToRtf(alignment), {}});
        },
        [&](std::uint32_t id, std::string_view piece) {
            const Rtf::CharFormat& format = rtfFormats.Of(id);
            std::vector<Rtf::Run>& runs = out.paragraphs.back().runs;
            if (!runs.empty() && runs.back().format == format) {
                runs.back().text.append(piece);
            } else {
                runs.push_back(Rtf::Run{std::string(piece), format});
            }
        });
    if (out.paragraphs.empty()) {
        out.paragraphs.emplace_back();
    }
    return out;
}

void LoadRtf(TEditText& text, const Rtf::Document& document, bool unicode,
             const TEditTextRtfInsertion& how) {
    assignWhole(text, build(text, document, unicode, how), unicode);
    ReportProgress(how.progress, 1.0);
}

std::size_t PasteRtf(TEditText& text, TEditHistory& history, std::size_t from, std::size_t to,
                     const Rtf::Document& document, const TEditTextRtfInsertion& how) {
    to = std::min(to, text.Size());
    from = std::min(from, to);
    const TInsertion pasted = build(text, document, text.Unicode(), how);
    const std::size_t end = from + pasted.bytes.size();
    history.Begin({from, to - from});
    text.BeginChange();
    const std::uint32_t first = pasted.formats.empty() ? 0 : pasted.formats[0].value;
    text.Replace(from, to, pasted.bytes, first);
    std::size_t at = from;
    for (const TRun& run : pasted.formats) {
        if (run.value != first) {
            const QTextCharFormat format = text.Format(run.value);
            text.SetFormat(at, at + run.length, format);
        }
        at += run.length;
    }
    // The lines of the paragraphs that end in a break; the line of the last
    // took the alignment of the one it landed in.
    std::size_t line = text.LineOf(from);
    std::size_t left = document.paragraphs.size() - 1;
    for (const TRun& run : pasted.alignments) {
        const std::size_t lines = std::min(run.length, left);
        if (lines == 0) {
            break;
        }
        text.SetAlignment(line, line + lines - 1,
                          Qt::Alignment(static_cast<Qt::Alignment::Int>(run.value)));
        line += lines;
        left -= lines;
    }
    text.EndChange();
    history.End({end, 0});
    ReportProgress(how.progress, 1.0);
    return end;
}

void ConvertEncoding(TEditText& text, bool unicode) {
    if (text.Unicode() == unicode) {
        return;
    }
    // Line ends are ASCII and stay as they are: the lines and their
    // alignments are the same, the formats' runs change length only.
    TInsertion converted;
    converted.alignments = text.AlignmentRuns(0, text.LineCount());
    const std::vector<TRun> formats = text.FormatRuns(0, text.Size());
    const std::string_view bytes = text.Bytes();
    converted.bytes.reserve(unicode ? bytes.size() + bytes.size() / 4 : bytes.size());
    std::size_t at = 0;
    for (const TRun& run : formats) {
        const std::string_view part = bytes.substr(at, run.length);
        const std::string recoded = unicode ? CodePageToUtf8(part) : Utf8ToCodePage(part);
        converted.bytes += recoded;
        TRunList::Append(converted.formats, {recoded.size(), run.value});
        at += run.length;
    }
    assignWhole(text, std::move(converted), unicode);
}

std::unique_ptr<QTextDocument> PrintDocument(const TEditText& text, const QFont& baseFont) {
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(baseFont);
    QTextCursor cursor(document.get());
    // Text of one format goes in with one insertion, paragraph breaks
    // included; a literal goes in alone, its format holding what it stands for.
    QString chunk;
    std::uint32_t chunkFormat = 0;
    auto flush = [&] {
        if (!chunk.isEmpty()) {
            cursor.insertText(chunk, text.Format(chunkFormat));
            chunk.clear();
        }
    };
    const bool unicode = text.Unicode();
    std::vector<Shown::TLiteral> literals;
    QString shown;
    walkLines(
        text, 0, text.Size(), text.Bytes(), 0, nullptr,
        [&](std::size_t line, Qt::Alignment) {
            if (line > 0) {
                chunk += QChar(u'\n'); // in the format of the text before it
            }
        },
        [&](std::uint32_t id, std::string_view body) {
            if (id != chunkFormat) {
                flush();
                chunkFormat = id;
            }
            shown.clear();
            literals.clear();
            Shown::AppendShown(shown, body, unicode, &literals);
            qsizetype at = 0;
            for (const Shown::TLiteral& literal : literals) {
                chunk += QStringView(shown).mid(at, literal.at - at);
                flush();
                QTextCharFormat own = text.Format(id);
                own.setProperty(Shown::kLiteralProperty, static_cast<int>(literal.ch));
                cursor.insertText(shown.mid(literal.at, 1), own);
                at = literal.at + 1;
            }
            chunk += at == 0 ? QStringView(shown) : QStringView(shown).mid(at);
        });
    flush();
    // Alignments block by block, a run of one at a time.
    std::size_t line = 0;
    for (const TRun& run : text.AlignmentRuns(0, text.LineCount())) {
        const auto alignment = Qt::Alignment(static_cast<Qt::Alignment::Int>(run.value));
        if (alignment != Qt::AlignLeft) {
            QTextCursor blocks(document->findBlockByNumber(static_cast<int>(line)));
            blocks.setPosition(
                document->findBlockByNumber(static_cast<int>(line + run.length - 1)).position(),
                QTextCursor::KeepAnchor);
            QTextBlockFormat format;
            format.setAlignment(alignment);
            blocks.mergeBlockFormat(format);
        }
        line += run.length;
    }
    return document;
}

TGiveBackFreedHeap::~TGiveBackFreedHeap() {
    ::malloc_trim(0);
}

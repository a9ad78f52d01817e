#include "framework/ui/EditTextSource.h"

#include "framework/ui/ShownText.h"

#include <algorithm>
#include <cstring>

namespace {

// Past this many lines a walk over the bytes beats asking for each line.
constexpr size_t kWalkLines = 64;

} // namespace

size_t TEditTextSource::LineLength(size_t line) const {
    return text_.LineBodyEnd(line) - text_.LineStart(line);
}

void TEditTextSource::LineLengths(size_t first, size_t count,
                                  std::vector<std::uint32_t>& out) const {
    count = std::min(count, LineCount() - std::min(first, LineCount()));
    if (count < kWalkLines) {
        for (size_t line = first; line < first + count; ++line) {
            out.push_back(static_cast<std::uint32_t>(LineLength(line)));
        }
        return;
    }
    // One walk: the line ends found with memchr, CR LF as one.
    const size_t from = text_.LineStart(first);
    const size_t to = first + count < LineCount() ? text_.LineStart(first + count) : text_.Size();
    const std::string_view bytes = text_.View(from, to - from);
    const char* const data = bytes.data();
    const size_t n = bytes.size();
    const auto find = [&](char c, size_t at) {
        const void* hit = at < n ? std::memchr(data + at, c, n - at) : nullptr;
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - data) : n;
    };
    size_t nextCr = find('\r', 0);
    size_t nextLf = find('\n', 0);
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        if (nextCr < start) {
            nextCr = find('\r', start);
        }
        if (nextLf < start) {
            nextLf = find('\n', start);
        }
        const size_t bodyEnd = std::min(nextCr, nextLf);
        out.push_back(static_cast<std::uint32_t>(bodyEnd - start));
        start = bodyEnd +
                (bodyEnd + 1 < n && data[bodyEnd] == '\r' && data[bodyEnd + 1] == '\n' ? 2 : 1);
    }
}

void TEditTextSource::Bytes(size_t line, size_t from, size_t to, std::string& out) const {
    const size_t start = text_.LineStart(line);
    out += text_.View(start + from, to - from);
}

void TEditTextSource::ShownText(size_t line, size_t from, size_t to, TShown& out) const {
    const size_t start = text_.LineStart(line);
    out.bytes = text_.Range(start + from, to - from);
    out.unicode = text_.Unicode();
    out.text.clear();
    Shown::AppendShown(out.text, out.bytes, out.unicode, nullptr);
    out.formats.clear();
    size_t at = 0;
    int unit = 0;
    for (const TEditText::TRun& run : text_.FormatRuns(start + from, start + to)) {
        const size_t end = at + run.length;
        const int endUnit =
            out.unicode ? Shown::UnitOfByte(out.bytes, end, false) : static_cast<int>(end);
        // The default format is the layout's own font: nothing to set.
        if (run.value != 0 && endUnit > unit) {
            out.formats.append({unit, endUnit - unit, text_.Format(run.value)});
        }
        at = end;
        unit = endUnit;
    }
}

size_t TEditTextSource::CharStart(size_t line, size_t at) const {
    const size_t start = text_.LineStart(line);
    return text_.CharBoundary(start + at, false) - start;
}

void TEditTextSource::Tell(TLineLayout& layout, const TEditText& text,
                           const TEditText::TChange& change) {
    if (change.removedLines == 1 && change.addedLines == 1) {
        // Within one line: a long one lays out again only where it changed.
        const size_t start = text.LineStart(change.firstLine);
        layout.ChangedInLine(change.firstLine, change.from - std::min(change.from, start),
                             change.removed, change.added);
        return;
    }
    if (change.firstLine == 0 && change.removedLines >= layout.LineCount()) {
        layout.Reset();
        return;
    }
    layout.Changed(change.firstLine, change.removedLines, change.addedLines);
}

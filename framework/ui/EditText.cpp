#include "framework/ui/EditText.h"

#include "framework/Utf8.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t lineEndLength(Shown::LineEnd kind) {
    return kind == Shown::LineEnd::CRLF ? 2 : (kind == Shown::LineEnd::None ? 0 : 1);
}

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Whether bytes on the two sides of `at` belong to one character: the halves
// of a CR LF, or (in UTF-8) a sequence that crosses it.
bool joinsAcross(std::string_view s, std::size_t at, bool unicode) {
    if (at == 0 || at >= s.size()) {
        return false;
    }
    if (s[at - 1] == '\r' && s[at] == '\n') {
        return true;
    }
    return unicode && isContinuation(s[at]) && Shown::JoinsAcross(s, at);
}

// Folds a change into the one gathered before it, in the coordinates between.
void fold(std::size_t& from, std::size_t& removed, std::size_t& added, std::size_t f, std::size_t r,
          std::size_t a) {
    const std::size_t end = from + added; // where the gathered change ends now
    const std::size_t newFrom = std::min(from, f);
    const std::size_t reach = std::max(end, f + r);
    const std::size_t oldEnd = from + removed + (reach - end);
    const std::size_t newEnd = reach - r + a;
    from = newFrom;
    removed = oldEnd - newFrom;
    added = newEnd - newFrom;
}

} // namespace

TEditText::TEditText() {
    formatTable_.emplace_back();
    alignments_.Assign(1, static_cast<std::uint32_t>(Qt::AlignLeft));
}

const char* TEditText::LineEndBytes(LineEnd kind) {
    return kind == LineEnd::CRLF ? "\r\n" : (kind == LineEnd::CR ? "\r" : "\n");
}

TEditText::Pieces::Hit TEditText::pieceHit(std::size_t byte) const {
    const auto at = static_cast<std::int64_t>(byte);
    return pieces_.Find([at](const PieceTotals::Sum& s) { return s.bytes > at; });
}

TEditText::Pieces::Hit TEditText::lineEndHit(std::size_t line) const {
    const auto want = static_cast<std::int64_t>(line) + 1;
    return pieces_.Find([want](const PieceTotals::Sum& s) { return s.breaks >= want; });
}

std::size_t TEditText::LineOf(std::size_t byte) const {
    return static_cast<std::size_t>(pieceHit(byte).before.breaks);
}

std::size_t TEditText::LineStart(std::size_t line) const {
    if (line == 0) {
        return 0;
    }
    const auto hit = lineEndHit(line - 1);
    if (hit.index == pieces_.Size()) {
        return Size();
    }
    return static_cast<std::size_t>(hit.before.bytes) + pieces_.At(hit.index).bytes;
}

std::size_t TEditText::LineBodyEnd(std::size_t line) const {
    const auto hit = lineEndHit(line);
    if (hit.index == pieces_.Size()) {
        return Size();
    }
    const Piece& p = pieces_.At(hit.index);
    return static_cast<std::size_t>(hit.before.bytes) + p.bytes - lineEndLength(p.kind);
}

TEditText::LineEnd TEditText::LineEndKind(std::size_t line) const {
    const auto hit = lineEndHit(line);
    return hit.index == pieces_.Size() ? LineEnd::None : pieces_.At(hit.index).kind;
}

TEditText::LineEnd TEditText::OwnLineEnd() const {
    const LineEnd kind = LineEndKind(0);
    return kind == LineEnd::None ? LineEnd::LF : kind;
}

TEditText::TPiece TEditText::PieceAt(std::size_t byte) const {
    if (pieces_.Empty()) {
        return {};
    }
    auto hit = pieceHit(byte);
    if (hit.index == pieces_.Size()) {
        hit.index = pieces_.Size() - 1;
        hit.before = pieces_.Prefix(hit.index);
    }
    const Piece& p = pieces_.At(hit.index);
    const auto from = static_cast<std::size_t>(hit.before.bytes);
    return {from, from + p.bytes, p.kind};
}

std::size_t TEditText::CharBoundary(std::size_t byte, bool forward) const {
    if (byte == 0 || byte >= Size()) {
        return std::min(byte, Size());
    }
    const auto hit = pieceHit(byte);
    const Piece& p = pieces_.At(hit.index);
    const auto start = static_cast<std::size_t>(hit.before.bytes);
    if (byte == start) {
        return byte;
    }
    const std::size_t end = start + p.bytes;
    if (p.kind == LineEnd::CRLF && byte == end - 1) {
        return forward ? end : end - 2;
    }
    if (!unicode_ || !isContinuation(bytes_.At(byte))) {
        return byte;
    }
    // Pieces are cut between characters, so the sequence lies in this one.
    const std::size_t back = std::min<std::size_t>(3, byte - start);
    const std::string_view near =
        bytes_.View(byte - back, std::min<std::size_t>(end, byte + 4) - (byte - back));
    for (std::size_t k = 1; k <= back; ++k) {
        if (!isContinuation(near[back - k])) {
            const int length = Utf8::SequenceLength(near, back - k);
            if (static_cast<std::size_t>(length) > k) {
                return forward ? byte - k + static_cast<std::size_t>(length) : byte - k;
            }
            break;
        }
    }
    return byte;
}

std::size_t TEditText::charsInto(const Pieces::Hit& hit, std::size_t byte) const {
    const Piece& p = pieces_.At(hit.index);
    const auto start = static_cast<std::size_t>(hit.before.bytes);
    const std::size_t bodyEnd = start + p.bytes - lineEndLength(p.kind);
    if (byte > bodyEnd) {
        return p.chars;
    }
    return countChars(bytes_.View(start, byte - start));
}

std::size_t TEditText::CharsBetween(std::size_t from, std::size_t to) const {
    const auto charsBefore = [this](std::size_t byte) -> std::size_t {
        if (byte >= Size()) {
            return static_cast<std::size_t>(pieces_.Total().chars);
        }
        const auto hit = pieceHit(byte);
        return static_cast<std::size_t>(hit.before.chars) + charsInto(hit, byte);
    };
    to = std::min(to, Size());
    from = std::min(from, to);
    return charsBefore(to) - charsBefore(from);
}

std::uint32_t TEditText::countChars(std::string_view body) const {
    if (!unicode_) {
        return static_cast<std::uint32_t>(body.size());
    }
    const std::size_t n = body.size();
    const char* data = body.data();
    std::uint32_t chars = 0;
    std::size_t i = 0;
    while (i < n) {
        // Runs of ASCII eight bytes at a time.
        std::uint64_t word = 0;
        if (i + 8 <= n && (std::memcpy(&word, data + i, 8), (word & 0x8080808080808080ull) == 0)) {
            chars += 8;
            i += 8;
            continue;
        }
        const int length =
            static_cast<unsigned char>(data[i]) < 0x80 ? 1 : Utf8::SequenceLength(body, i);
        i += length > 0 ? static_cast<std::size_t>(length) : 1;
        ++chars;
    }
    return chars;
}

void TEditText::cut(std::string_view bytes, std::vector<Piece>& out) const {
    const char* const data = bytes.data();
    const std::size_t n = bytes.size();
    // Enough for lines of typical length without growing (and copying) the
    // list as a large text is cut.
    out.reserve(out.size() + n / 48 + 1);
    const auto find = [&](char c, std::size_t from) {
        const void* hit = from < n ? std::memchr(data + from, c, n - from) : nullptr;
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : n;
    };
    std::size_t nextCr = find('\r', 0);
    std::size_t nextLf = find('\n', 0);
    std::size_t start = 0;
    while (start < n) {
        if (nextCr < start) {
            nextCr = find('\r', start);
        }
        if (nextLf < start) {
            nextLf = find('\n', start);
        }
        const std::size_t bodyEnd = std::min(nextCr, nextLf);
        LineEnd kind = LineEnd::None;
        std::size_t end = bodyEnd;
        if (bodyEnd < n) {
            if (data[bodyEnd] == '\n') {
                kind = LineEnd::LF;
                end = bodyEnd + 1;
            } else if (bodyEnd + 1 < n && data[bodyEnd + 1] == '\n') {
                kind = LineEnd::CRLF;
                end = bodyEnd + 2;
            } else {
                kind = LineEnd::CR;
                end = bodyEnd + 1;
            }
        }
        // A long line in pieces, each cut before a character.
        while (bodyEnd - start > Shown::kMaxPiece) {
            std::size_t pieceEnd = start + Shown::kMaxPiece;
            if (unicode_) {
                for (std::size_t k = 1; k <= 3; ++k) {
                    if (!isContinuation(data[pieceEnd - k])) {
                        if (Utf8::SequenceLength(bytes, pieceEnd - k) > static_cast<int>(k)) {
                            pieceEnd -= k;
                        }
                        break;
                    }
                }
            }
            const auto body = bytes.substr(start, pieceEnd - start);
            out.push_back(
                {static_cast<std::uint32_t>(body.size()), countChars(body), LineEnd::None});
            start = pieceEnd;
        }
        const auto body = bytes.substr(start, bodyEnd - start);
        out.push_back({static_cast<std::uint32_t>(end - start),
                       countChars(body) + (kind == LineEnd::None ? 0u : 1u), kind});
        start = end;
    }
}

bool TEditText::isLineStart(std::size_t at) const {
    if (at == 0) {
        return true;
    }
    if (at > Size()) {
        return false;
    }
    const char before = bytes_.At(at - 1);
    return before == '\n' || (before == '\r' && (at == Size() || bytes_.At(at) != '\n'));
}

std::uint32_t TEditText::FormatIdAt(std::size_t byte) const {
    if (Size() == 0) {
        return 0;
    }
    return formats_.ValueAt(std::min(byte, Size() - 1));
}

std::uint32_t TEditText::InheritedFormat(std::size_t from, std::size_t to) const {
    return FormatIdAt(to > from || from == 0 ? from : from - 1);
}

std::uint32_t TEditText::InternFormat(const QTextCharFormat& format) {
    // Documents hold few formats: a look through them is cheaper than a hash.
    for (std::size_t i = 0; i < formatTable_.size(); ++i) {
        if (formatTable_[i] == format) {
            return static_cast<std::uint32_t>(i);
        }
    }
    formatTable_.push_back(format);
    return static_cast<std::uint32_t>(formatTable_.size() - 1);
}

Qt::Alignment TEditText::Alignment(std::size_t line) const {
    return Qt::Alignment(static_cast<int>(alignments_.ValueAt(std::min(line, LineCount() - 1))));
}

bool TEditText::SetFormat(std::size_t from, std::size_t to, const QTextCharFormat& format) {
    const std::uint32_t id = InternFormat(format);
    to = std::min(to, Size());
    from = std::min(from, to);
    std::vector<TRun> old;
    if (recording()) {
        old = formats_.RunsIn(from, to);
    }
    if (!formats_.Set(from, to, id)) {
        return false;
    }
    if (recording()) {
        TEditPatch inverse{TEditPatch::Kind::Formats, {}, std::move(old), from, 0, {}};
        TEditPatch forward{TEditPatch::Kind::Formats, {}, {{to - from, id}}, from, 0, {}};
        recorder_->Record(std::move(inverse), std::move(forward));
    }
    const std::size_t first = LineOf(from);
    const std::size_t lines = LineOf(to) - first + 1;
    report({from, to - from, to - from, first, lines, lines, true});
    return true;
}

bool TEditText::MergeFormat(std::size_t from, std::size_t to, const QTextCharFormat& format) {
    to = std::min(to, Size());
    from = std::min(from, to);
    std::vector<TRun> old = formats_.RunsIn(from, to);
    std::vector<TRun> merged;
    for (const TRun& run : old) {
        QTextCharFormat f = Format(run.value);
        f.merge(format);
        TRunList::Append(merged, {run.length, InternFormat(f)});
    }
    if (merged == old) {
        return false;
    }
    formats_.Replace(from, to - from, merged.data(), merged.size());
    if (recording()) {
        TEditPatch inverse{TEditPatch::Kind::Formats, {}, std::move(old), from, 0, {}};
        TEditPatch forward{TEditPatch::Kind::Formats, {}, std::move(merged), from, 0, {}};
        recorder_->Record(std::move(inverse), std::move(forward));
    }
    const std::size_t first = LineOf(from);
    const std::size_t lines = LineOf(to) - first + 1;
    report({from, to - from, to - from, first, lines, lines, true});
    return true;
}

bool TEditText::SetAlignment(std::size_t firstLine, std::size_t lastLine, Qt::Alignment alignment) {
    const auto value = static_cast<std::uint32_t>(alignment.toInt());
    lastLine = std::min(lastLine, LineCount() - 1);
    if (firstLine > lastLine) {
        return false;
    }
    std::vector<TRun> old;
    if (recording()) {
        old = alignments_.RunsIn(firstLine, lastLine + 1);
    }
    if (!alignments_.Set(firstLine, lastLine + 1, value)) {
        return false;
    }
    if (recording()) {
        TEditPatch inverse{TEditPatch::Kind::Alignments, {}, {}, 0, firstLine, std::move(old)};
        TEditPatch forward{TEditPatch::Kind::Alignments,       {}, {}, 0, firstLine,
                           {{lastLine + 1 - firstLine, value}}};
        recorder_->Record(std::move(inverse), std::move(forward));
    }
    const std::size_t from = LineStart(firstLine);
    const std::size_t to = LineStart(lastLine + 1);
    const std::size_t lines = lastLine + 1 - firstLine;
    report({from, to - from, to - from, firstLine, lines, lines, true});
    return true;
}

void TEditText::replace(std::size_t from, std::size_t to, std::string_view bytes, const TRun* runs,
                        std::size_t runCount) {
    const std::size_t oldLines = LineCount();
    // Lines that start before `from` stay; [firstKept, last] give way to
    // those that start within the inserted bytes or right after them.
    const std::size_t kept = from == 0 ? 0 : LineOf(from - 1) + 1;
    const std::size_t startLine = LineOf(from);
    const std::size_t last = LineOf(to);
    const std::uint32_t startAlign = alignments_.ValueAt(startLine);
    const std::uint32_t lastAlign = alignments_.ValueAt(last);
    // A line end before `from` may change kind (a CR that an LF joins).
    const std::size_t reportLine = startLine > 0 && kept == startLine && bytes_.At(from - 1) == '\r'
                                       ? startLine - 1
                                       : startLine;

    // The pieces the edit falls in, and one before: cut anew, with more of
    // their neighbours while a character or a CR LF would cross an end.
    const std::size_t n = pieces_.Size();
    std::size_t first = 0;
    std::size_t lastPiece = 0; // one past
    std::size_t regionFrom = 0;
    std::size_t regionTo = 0;
    if (n > 0) {
        const auto head = pieceHit(from);
        first = head.index;
        regionFrom = static_cast<std::size_t>(head.before.bytes);
        if (first > 0 && (first == n || regionFrom == from)) {
            --first;
            regionFrom -= pieces_.At(first).bytes;
        }
        const auto tail = pieceHit(to);
        lastPiece = std::min(tail.index + 1, n);
        regionTo = tail.index < n
                       ? static_cast<std::size_t>(tail.before.bytes) + pieces_.At(tail.index).bytes
                       : Size();
    }
    std::string region;
    for (;;) {
        const std::size_t left = std::min<std::size_t>(3, regionFrom);
        const std::size_t right = std::min<std::size_t>(3, Size() - regionTo);
        region = bytes_.Range(regionFrom - left, from - (regionFrom - left));
        region.append(bytes);
        std::string after = bytes_.Range(to, regionTo + right - to);
        region.append(after);
        if (first > 0 && joinsAcross(region, left, unicode_)) {
            --first;
            regionFrom -= pieces_.At(first).bytes;
            continue;
        }
        if (lastPiece < n && joinsAcross(region, region.size() - right, unicode_)) {
            regionTo += pieces_.At(lastPiece).bytes;
            ++lastPiece;
            continue;
        }
        region = region.substr(left, region.size() - left - right);
        break;
    }
    std::vector<Piece> cuts;
    cut(region, cuts);
    pieces_.Replace(first, lastPiece - first, cuts.data(), cuts.size());
    bytes_.Replace(from, to - from, bytes);
    formats_.Replace(from, to - from, runs, runCount);

    const std::size_t end = from + bytes.size();
    const std::size_t endStarts = isLineStart(end) ? 1 : 0;
    const std::size_t within = LineCount() - kept - endStarts - (oldLines - 1 - last);
    TRun lines[2] = {{within, startAlign}, {endStarts, lastAlign}};
    alignments_.Replace(kept, last + 1 - kept, lines, 2);

    report({from, to - from, bytes.size(), reportLine, last - reportLine + 1,
            LineOf(end) - reportLine + 1, false});
}

void TEditText::Replace(std::size_t from, std::size_t to, std::string_view bytes,
                        std::uint32_t formatId) {
    from = std::min(from, Size());
    to = std::clamp(to, from, Size());
    if (to == from && bytes.empty()) {
        return;
    }
    const TRun run{bytes.size(), formatId};
    if (!recording()) {
        replace(from, to, bytes, &run, 1);
        return;
    }
    const std::size_t oldLines = LineCount();
    const std::size_t kept = from == 0 ? 0 : LineOf(from - 1) + 1;
    const std::size_t last = LineOf(to);
    TEditPatch inverse;
    inverse.edits.push_back({from, from + bytes.size(), bytes_.Range(from, to - from)});
    inverse.formats = formats_.RunsIn(from, to);
    inverse.alignFirst = kept;
    inverse.alignments = alignments_.RunsIn(kept, last + 1);
    replace(from, to, bytes, &run, 1);
    TEditPatch forward;
    forward.edits.push_back({from, to, std::string(bytes)});
    forward.formats.push_back(run);
    forward.alignFirst = kept;
    forward.alignments =
        alignments_.RunsIn(kept, kept + (LineCount() - kept - (oldLines - 1 - last)));
    recorder_->Record(std::move(inverse), std::move(forward));
}

void TEditText::Assign(std::string bytes, bool unicode, bool load) {
    const bool record = !load && recording();
    TEditPatch inverse;
    TEditPatch forward;
    if (record) {
        inverse.edits.push_back({0, bytes.size(), bytes_.Range(0, Size())});
        inverse.formats = formats_.Runs();
        inverse.alignments = alignments_.Runs();
        forward.edits.push_back({0, Size(), bytes});
        forward.formats.push_back({bytes.size(), 0});
    }
    const TChange change{0, Size(), bytes.size(), 0, LineCount(), 0, false};
    unicode_ = unicode;
    std::vector<Piece> cuts;
    cut(bytes, cuts);
    pieces_.Assign(cuts);
    formats_.Assign(bytes.size(), 0);
    bytes_.Assign(std::move(bytes));
    alignments_.Assign(LineCount(), static_cast<std::uint32_t>(Qt::AlignLeft));
    if (record) {
        forward.alignments = alignments_.Runs();
        recorder_->Record(std::move(inverse), std::move(forward));
    } else if (load && recorder_ != nullptr) {
        recorder_->Loaded();
    }
    TChange done = change;
    done.addedLines = LineCount();
    report(done);
}

void TEditText::Apply(const TEditPatch& patch) {
    BeginChange();
    if (patch.kind == TEditPatch::Kind::Bytes) {
        if (patch.edits.size() == 1 && patch.edits[0].From == 0 && patch.edits[0].To == Size() &&
            patch.edits[0].Bytes.size() > Size() / 2 + Shown::kMaxPiece) {
            // The whole text: cut in one pass, as a load is.
            std::vector<Piece> cuts;
            cut(patch.edits[0].Bytes, cuts);
            const TChange change{0, Size(), patch.edits[0].Bytes.size(), 0, LineCount(), 0, false};
            pieces_.Assign(cuts);
            bytes_.Assign(patch.edits[0].Bytes);
            formats_.AssignRuns(patch.formats);
            alignments_.Assign(LineCount(), static_cast<std::uint32_t>(Qt::AlignLeft));
            TChange done = change;
            done.addedLines = LineCount();
            report(done);
        } else if (patch.edits.size() >= 64) {
            replaceAll(patch.edits, &patch.formats);
        } else {
            replaceEach(patch.edits, &patch.formats);
        }
    }
    std::size_t total = 0;
    if (patch.kind == TEditPatch::Kind::Formats) {
        for (const TRun& run : patch.formats) {
            total += run.length;
        }
        formats_.Replace(patch.at, total, patch.formats.data(), patch.formats.size());
        const std::size_t first = LineOf(patch.at);
        const std::size_t lines = LineOf(patch.at + total) - first + 1;
        report({patch.at, total, total, first, lines, lines, true});
    } else if (!patch.alignments.empty()) {
        for (const TRun& run : patch.alignments) {
            total += run.length;
        }
        alignments_.Replace(patch.alignFirst, total, patch.alignments.data(),
                            patch.alignments.size());
        const std::size_t from = LineStart(patch.alignFirst);
        const std::size_t to = LineStart(patch.alignFirst + total);
        report({from, to - from, to - from, patch.alignFirst, total, total, true});
    }
    EndChange();
}

std::size_t TEditText::AddListener(TListener listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void TEditText::RemoveListener(std::size_t id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void TEditText::BeginChange() {
    ++changeDepth_;
}

void TEditText::EndChange() {
    if (--changeDepth_ == 0 && changePending_) {
        changePending_ = false;
        const TChange change = pending_;
        for (const auto& entry : listeners_) {
            entry.second(change);
        }
    }
}

void TEditText::report(const TChange& change) {
    if (!changePending_) {
        pending_ = change;
        changePending_ = true;
    } else {
        fold(pending_.from, pending_.removed, pending_.added, change.from, change.removed,
             change.added);
        fold(pending_.firstLine, pending_.removedLines, pending_.addedLines, change.firstLine,
             change.removedLines, change.addedLines);
        pending_.formatOnly = pending_.formatOnly && change.formatOnly;
    }
    if (changeDepth_ == 0) {
        ++changeDepth_;
        EndChange();
    }
}

#include "framework/ui/EditText.h"

#include "framework/Utf8.h"
#include "framework/ui/EditTextCount.h"

#include <algorithm>
#include <cstring>

namespace {

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

bool TEditText::updatePiece(std::size_t index, std::size_t from, std::size_t to,
                            std::string_view bytes) {
    // The counts change only within four bytes of the edit, which are the
    // same bytes before and after it; outside them a character or a CR LF
    // is what it was.
    const Piece& p = pieces_.At(index);
    const std::size_t size = p.bytes - (to - from) + bytes.size();
    if (size > Shown::kMaxPiece || (size < Shown::kMaxPiece / 4 && pieces_.Size() > 1)) {
        return false;
    }
    std::string window = bytes_.Range(from - 4, 4);
    window.append(bytes);
    const std::string_view old = bytes_.View(from - 4, to - from + 8);
    window.append(old.substr(old.size() - 4));
    const auto was = EditTextCount::CountEnds(old.data(), old.size());
    const auto now = EditTextCount::CountEnds(window.data(), window.size());
    // In UTF-8 only when ASCII around the edit, where each byte is a character.
    if (unicode_ && !(was.ascii && now.ascii)) {
        return false;
    }
    const std::size_t chars = p.chars + (window.size() - now.pairs) - (old.size() - was.pairs);
    const std::size_t breaks = p.breaks + now.Breaks() - was.Breaks();
    pieces_.Set(index, {static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(chars),
                        static_cast<std::uint32_t>(breaks)});
    return true;
}

void TEditText::recut(std::size_t first, std::size_t lastPiece, std::size_t regionFrom,
                      std::size_t regionTo, std::size_t from, std::size_t to,
                      std::string_view bytes) {
    const std::size_t n = pieces_.Size();
    std::string region;
    std::string after;
    for (;;) {
        const std::size_t size = (from - regionFrom) + bytes.size() + (regionTo - to);
        if (size < Shown::kMaxPiece / 4 && (first > 0 || lastPiece < n)) {
            if (first > 0) {
                --first;
                regionFrom -= pieces_.At(first).bytes;
            } else {
                regionTo += pieces_.At(lastPiece).bytes;
                ++lastPiece;
            }
            continue;
        }
        const std::size_t left = std::min<std::size_t>(3, regionFrom);
        const std::size_t right = std::min<std::size_t>(3, Size() - regionTo);
        bytes_.Copy(regionFrom - left, from - (regionFrom - left), region);
        region.append(bytes);
        bytes_.Copy(to, regionTo + right - to, after);
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
        break;
    }
    const std::size_t left = std::min<std::size_t>(3, regionFrom);
    const std::size_t right = std::min<std::size_t>(3, Size() - regionTo);
    std::vector<Piece> cuts;
    cut(std::string_view(region).substr(left, region.size() - left - right), cuts, true);
    pieces_.Replace(first, lastPiece - first, cuts.data(), cuts.size());
    bytes_.Replace(from, to - from, bytes);
}

void TEditText::replace(std::size_t from, std::size_t to, std::string_view bytes, const TRun* runs,
                        std::size_t runCount) {
    const std::size_t oldLines = LineCount();
    // Lines that start before `from` stay; [firstKept, last] give way to
    // those that start within the inserted bytes or right after them.
    const std::size_t startLine = LineOf(from);
    const std::size_t kept = isLineStart(from) ? startLine : startLine + 1;
    const std::size_t last = to == from ? startLine : LineOf(to);
    const std::uint32_t startAlign = alignments_.ValueAt(startLine);
    const std::uint32_t lastAlign = alignments_.ValueAt(last);
    // A line end before `from` may change kind (a CR that an LF joins).
    const std::size_t reportLine = startLine > 0 && kept == startLine && bytes_.At(from - 1) == '\r'
                                       ? startLine - 1
                                       : startLine;

    // The pieces the edit falls in: cut anew, with more of their neighbours
    // while a character or a CR LF would cross an end, or while what is left
    // would make a piece less than a quarter full.
    const std::size_t n = pieces_.Size();
    std::size_t first = 0;
    std::size_t lastPiece = 0; // one past
    std::size_t regionFrom = 0;
    std::size_t regionTo = 0;
    if (n > 0) {
        const auto head = pieceHit(from);
        first = std::min(head.index, n - 1);
        regionFrom = head.index < n ? static_cast<std::size_t>(head.before.bytes)
                                    : Size() - pieces_.At(n - 1).bytes;
        const auto tail = to == from ? head : pieceHit(to);
        lastPiece = std::min(tail.index + 1, n);
        regionTo = tail.index < n
                       ? static_cast<std::size_t>(tail.before.bytes) + pieces_.At(tail.index).bytes
                       : Size();
    }
    if (n > 0 && lastPiece == first + 1 && from >= regionFrom + 4 && to + 4 <= regionTo &&
        updatePiece(first, from, to, bytes)) {
        bytes_.Replace(from, to - from, bytes);
    } else {
        recut(first, lastPiece, regionFrom, regionTo, from, to, bytes);
    }
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
    const std::size_t startLine = LineOf(from);
    const std::size_t kept = isLineStart(from) ? startLine : startLine + 1;
    const std::size_t last = to == from ? startLine : LineOf(to);
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
    assignWhole(std::move(bytes), unicode, load, false);
}

void TEditText::Overwrite(std::string bytes) {
    const bool sameLength = bytes.size() == Size();
    assignWhole(std::move(bytes), unicode_, false, sameLength);
}

void TEditText::assignWhole(std::string bytes, bool unicode, bool load, bool keepFormats) {
    const bool record = !load && recording();
    TEditPatch inverse;
    TEditPatch forward;
    if (record) {
        // The old text goes into the inverse as it leaves, below; the new
        // one is the text's own until an undo hands it to the forward patch.
        inverse.whole = forward.whole = true;
        inverse.edits.push_back({0, bytes.size(), {}});
        inverse.formats = formats_.Runs();
        inverse.alignments = alignments_.Runs();
        forward.edits.push_back({0, Size(), {}});
        if (keepFormats) {
            forward.formats = inverse.formats;
        } else {
            forward.formats.push_back({bytes.size(), 0});
        }
    }
    const std::size_t oldLines = LineCount();
    const TChange change{0, Size(), bytes.size(), 0, oldLines, 0, false};
    unicode_ = unicode;
    std::vector<Piece> cuts;
    cut(bytes, cuts, false);
    pieces_.Assign(cuts);
    if (!keepFormats) {
        formats_.Assign(bytes.size(), 0);
    }
    if (record) {
        bytes_.Swap(bytes);
        inverse.edits[0].Bytes = std::move(bytes);
    } else {
        bytes_.Assign(std::move(bytes));
    }
    if (!keepFormats || LineCount() != oldLines) {
        alignments_.Assign(LineCount(), static_cast<std::uint32_t>(Qt::AlignLeft));
    }
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

void TEditText::Apply(TEditPatch& patch) {
    BeginChange();
    if (patch.kind == TEditPatch::Kind::Bytes) {
        if (patch.whole ||
            (patch.edits.size() == 1 && patch.edits[0].From == 0 && patch.edits[0].To == Size() &&
             patch.edits[0].Bytes.size() > Size() / 2 + Shown::kMaxPiece)) {
            // The whole text: cut in one pass, as a load is.
            std::vector<Piece> cuts;
            cut(patch.edits[0].Bytes, cuts, false);
            const TChange change{0, Size(), patch.edits[0].Bytes.size(), 0, LineCount(), 0, false};
            pieces_.Assign(cuts);
            if (patch.whole) {
                bytes_.Swap(patch.edits[0].Bytes);
            } else {
                bytes_.Assign(patch.edits[0].Bytes);
            }
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

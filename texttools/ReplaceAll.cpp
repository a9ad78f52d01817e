#include "texttools/ReplaceAll.h"

#include "framework/TextSearch.h"

#include <algorithm>
#include <string>

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

// A piece of the new text: bytes of the old text, or of the replacement.
struct TPiece {
    bool inserted;
    size_t from; // in the old text or in the replacement
    size_t length;
};

// The text as the replacements leave it: `done_` (the pieces up to the last
// replacement, with their bytes) followed by the rest of the source from
// `next_` on, untouched. The source is the old text, or the old text with the
// first replacement made when the search began after a selection.
class TReplaceSweep {
public:
    TReplaceSweep(std::string_view text, const TTextSearch& search, std::string_view replacement)
        : text_(text), search_(search), replacement_(replacement), source_(text),
          reach_(search.MaxLength() + search.After() - 1) {}

    // The first replacement, found from `start`; false when there is none.
    bool ReplaceFirstFrom(size_t start) {
        size_t length = 0;
        const long long at = search_.Find(text_, start, text_.size(), length);
        if (at < 0) {
            return false;
        }
        first_ = static_cast<size_t>(at);
        firstLength_ = length;
        owned_.reserve(text_.size() - length + replacement_.size());
        owned_.assign(text_.substr(0, first_));
        owned_.append(replacement_);
        owned_.append(text_.substr(first_ + length));
        source_ = owned_;
        hasFirst_ = true;
        // No match starts in [start, first_); those whose bytes (and the
        // bytes beside them that decide) all lie before the replacement stay
        // without one.
        cleanFrom_ = start;
        cleanTo_ = first_ > start + reach_ ? first_ - reach_ : start;
        caret_ = first_ + replacement_.size();
        count_ = 1;
        return true;
    }

    // Searches from the top, replacing, until nothing more is found.
    void Run() {
        size_t resume = 0;
        size_t length = 0;
        for (size_t at = find(resume, length); at != npos; at = find(resume, length)) {
            if (onlyInserted(at, length)) {
                break;
            }
            replaceAt(at, length);
            // Only matches reaching into the replacement can be new.
            resume = at > reach_ ? at - reach_ : 0;
        }
    }

    TReplacePlan Plan() {
        keepBytes_ = false; // the rest is untouched: its pieces suffice
        appendSource(next_, source_.size());
        TReplacePlan plan;
        plan.Caret = caret_;
        plan.Count = count_;
        size_t oldPos = 0;
        std::string inserted;
        for (const TPiece& piece : pieces_) {
            if (piece.inserted) {
                inserted.append(replacement_.substr(piece.from, piece.length));
                continue;
            }
            if (piece.from != oldPos || !inserted.empty()) {
                plan.Edits.push_back(TByteEdit{oldPos, piece.from, std::move(inserted)});
                inserted.clear();
            }
            oldPos = piece.from + piece.length;
        }
        if (oldPos != text_.size() || !inserted.empty()) {
            plan.Edits.push_back(TByteEdit{oldPos, text_.size(), std::move(inserted)});
        }
        return plan;
    }

private:
    // The first match starting at or after `resume` in the new text, and its length.
    size_t find(size_t resume, size_t& length) const {
        const size_t before = search_.Before();
        const size_t doneSize = done_.size();
        // Starts up to where the bytes before them are untouched: a window of
        // the done text's tail and the source's head, with the bytes on
        // either side that decide a match.
        if (resume < doneSize + before) {
            const size_t from = resume > before ? resume - before : 0;
            std::string window = done_.substr(std::min(from, doneSize));
            window.append(source_.substr(next_ + (from > doneSize ? from - doneSize : 0),
                                         before - 1 + reach_ + 1));
            const long long at =
                search_.Find(window, resume - from, doneSize + before - from, length);
            if (at >= 0) {
                return from + static_cast<size_t>(at);
            }
        }
        // Later starts lie wholly in the untouched source, beside source bytes.
        size_t start =
            std::max(next_ + before, next_ + (resume > doneSize ? resume - doneSize : 0));
        auto inSource = [&](size_t from, size_t to) -> size_t {
            if (from >= to) {
                return npos;
            }
            const long long at = search_.Find(source_, from, to, length);
            return at < 0 ? npos : doneSize + (static_cast<size_t>(at) - next_);
        };
        if (cleanFrom_ < cleanTo_ && start < cleanTo_) {
            const size_t before = inSource(start, cleanFrom_);
            if (before != npos) {
                return before;
            }
            start = cleanTo_;
        }
        return inSource(start, source_.size());
    }

    // Whether the match at `at` (in the new text) holds replacement bytes only.
    bool onlyInserted(size_t at, size_t length) const {
        const size_t end = at + length;
        size_t piecesEnd = done_.size();
        for (auto it = pieces_.rbegin(); it != pieces_.rend() && piecesEnd > at; ++it) {
            const size_t pieceStart = piecesEnd - it->length;
            if (pieceStart < end && !it->inserted) {
                return false;
            }
            piecesEnd = pieceStart;
        }
        if (end <= done_.size()) {
            return true;
        }
        // The part in the source: inside the first replacement, if anywhere.
        const size_t from = next_ + (at > done_.size() ? at - done_.size() : 0);
        const size_t to = next_ + (end - done_.size());
        return hasFirst_ && from >= first_ && to <= first_ + replacement_.size();
    }

    void replaceAt(size_t at, size_t length) {
        if (at > done_.size()) {
            const size_t upTo = next_ + (at - done_.size());
            appendSource(next_, upTo);
            next_ = upTo;
        }
        // A match found in the window may end before the done text does.
        const size_t end = at + length;
        TTail after;
        if (end < done_.size()) {
            after = cutTail(end);
        } else {
            next_ += end - done_.size();
        }
        cutTail(at);
        append(TPiece{true, 0, replacement_.size()}, replacement_);
        caret_ = done_.size();
        ++count_;
        size_t offset = 0;
        for (const TPiece& piece : after.pieces) {
            append(piece, std::string_view(after.bytes).substr(offset, piece.length));
            offset += piece.length;
        }
    }

    void append(const TPiece& piece, std::string_view bytes) {
        if (piece.length == 0) {
            return;
        }
        if (keepBytes_) {
            done_.append(bytes);
        }
        if (!pieces_.empty()) {
            TPiece& last = pieces_.back();
            if (last.inserted == piece.inserted && last.from + last.length == piece.from) {
                last.length += piece.length;
                return;
            }
        }
        pieces_.push_back(piece);
    }

    // Source bytes [from, to), as pieces of the old text or the replacement.
    void appendSource(size_t from, size_t to) {
        auto old = [&](size_t a, size_t b, size_t shift) {
            if (a < b) {
                append(TPiece{false, a + shift, b - a}, source_.substr(a, b - a));
            }
        };
        if (!hasFirst_) {
            old(from, to, 0);
            return;
        }
        const size_t r = replacement_.size();
        const size_t firstEnd = first_ + r;
        old(from, std::min(to, first_), 0);
        const size_t a = std::max(from, first_);
        const size_t b = std::min(to, firstEnd);
        if (a < b) {
            append(TPiece{true, a - first_, b - a}, source_.substr(a, b - a));
        }
        // After the first replacement the source runs the match's length - r ahead.
        const size_t tailFrom = std::max(from, firstEnd);
        if (tailFrom < to) {
            append(TPiece{false, tailFrom - firstEnd + first_ + firstLength_, to - tailFrom},
                   source_.substr(tailFrom, to - tailFrom));
        }
    }

    struct TTail {
        std::string bytes;
        std::vector<TPiece> pieces;
    };

    // Takes the done text from `size` on off its end.
    TTail cutTail(size_t size) {
        TTail tail{done_.substr(size), {}};
        size_t cut = done_.size() - size;
        done_.resize(size);
        while (cut > 0) {
            TPiece& last = pieces_.back();
            if (last.length > cut) {
                last.length -= cut;
                tail.pieces.push_back(TPiece{last.inserted, last.from + last.length, cut});
                break;
            }
            cut -= last.length;
            tail.pieces.push_back(last);
            pieces_.pop_back();
        }
        std::reverse(tail.pieces.begin(), tail.pieces.end());
        return tail;
    }

    std::string_view text_;
    const TTextSearch& search_;
    std::string_view replacement_;
    std::string_view source_;
    std::string owned_;
    // How far before a replacement a match can start whose bytes, or the
    // bytes beside it that decide, reach into it.
    size_t reach_;
    bool hasFirst_ = false;
    bool keepBytes_ = true;
    size_t first_ = 0;
    size_t firstLength_ = 0;
    size_t cleanFrom_ = 0;
    size_t cleanTo_ = 0;
    std::string done_;
    std::vector<TPiece> pieces_;
    size_t next_ = 0;
    size_t caret_ = 0;
    size_t count_ = 0;
};

} // namespace

TReplacePlan PlanReplaceAll(std::string_view text, std::string_view search,
                            std::string_view replacement, size_t start, bool wholeWord,
                            bool matchCase, bool unicode) {
    const TTextSearch searched(search, unicode, wholeWord, matchCase);
    if (search.empty() || searched.MinLength() > text.size()) {
        return {};
    }
    TReplaceSweep sweep(text, searched, replacement);
    if (start > 0 && !sweep.ReplaceFirstFrom(start)) {
        return {};
    }
    sweep.Run();
    return sweep.Plan();
}

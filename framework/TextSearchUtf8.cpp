// Searching UTF-8 documents character by character.
#include "framework/TextSearch.h"
#include "framework/Utf8.h"

#include <QChar>
#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Stands for an ill-formed byte among code points: equal to no character.
constexpr char32_t kIllFormed = 0x110000;

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The character at `at` folded, and its length.
char32_t foldedAt(std::string_view text, size_t at, size_t& length) {
    const auto b = static_cast<unsigned char>(text[at]);
    length = 1;
    if (b < 0x80) {
        return b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b;
    }
    const int n = Utf8::SequenceLength(text, at);
    if (n == 0) {
        return kIllFormed + b;
    }
    length = static_cast<size_t>(n);
    return QChar::toCaseFolded(Utf8::Decode(text, at, n));
}

bool isWordChar(std::string_view text, size_t at) {
    const auto b = static_cast<unsigned char>(text[at]);
    if (b < 0x80) {
        return b == '_' || (b >= '0' && b <= '9') || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
    }
    const int n = Utf8::SequenceLength(text, at);
    if (n == 0) {
        return false;
    }
    const char32_t cp = Utf8::Decode(text, at, n);
    return QChar::isLetter(cp) || QChar::isDigit(cp);
}

// Every (folding, character) pair of a character that is not its own
// folding, sorted: the other case forms of a folded character. Every cased
// character lies in the first two planes, which keeps this to a millisecond.
const std::vector<std::pair<char32_t, char32_t>>& foldPairs() {
    static const auto pairs = [] {
        std::vector<std::pair<char32_t, char32_t>> out;
        for (char32_t cp = 0; cp < 0x20000; ++cp) {
            if (cp == 0xD800) {
                cp = 0xE000; // no surrogate is a character
            }
            const char32_t f = QChar::toCaseFolded(cp);
            if (f != cp) {
                out.emplace_back(f, cp);
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }();
    return pairs;
}

// The encodings of every character whose folding is `folded`.
std::vector<std::string> caseForms(char32_t folded) {
    std::vector<std::string> forms(1);
    if (folded >= kIllFormed) {
        forms[0].push_back(static_cast<char>(folded - kIllFormed));
        return forms;
    }
    Utf8::Append(forms[0], folded);
    const auto& pairs = foldPairs();
    auto it = std::lower_bound(pairs.begin(), pairs.end(), std::make_pair(folded, char32_t{0}));
    for (; it != pairs.end() && it->first == folded; ++it) {
        Utf8::Append(forms.emplace_back(), it->second);
    }
    return forms;
}

#if defined(__SSE2__)
// Places among sixteen whose byte is one of `values` (padded to N).
template <int N> unsigned inSet(__m128i bytes, const __m128i* values) {
    __m128i hit = _mm_cmpeq_epi8(bytes, values[0]);
    for (int i = 1; i < N; ++i) {
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(bytes, values[i]));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}

// Sixteen starts at a time: a start is a candidate when its bytes at both
// offsets may be a match's; only candidates are compared in full. Gives the
// first start left to look at when it stops short of `to`.
template <int A, int B, typename Match>
size_t sift(std::string_view text, size_t from, size_t to, size_t offsetA, size_t offsetB,
            const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, Match&& match,
            long long& found) {
    __m128i va[A];
    __m128i vb[B];
    for (int i = 0; i < A; ++i) {
        va[i] = _mm_set1_epi8(static_cast<char>(a[std::min<size_t>(i, a.size() - 1)]));
    }
    for (int i = 0; i < B; ++i) {
        vb[i] = _mm_set1_epi8(static_cast<char>(b[std::min<size_t>(i, b.size() - 1)]));
    }
    size_t pos = from;
    // Both loads stay inside the text: both offsets lie within every match.
    for (; pos + 16 <= to; pos += 16) {
        // Both tests at once: a branch on the first alone mispredicts often.
        const char* base = text.data() + pos;
        const unsigned both =
            inSet<A>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + offsetA)), va) &
            inSet<B>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + offsetB)), vb);
        for (unsigned mask = both; mask != 0; mask &= mask - 1) {
            const size_t at = pos + static_cast<size_t>(__builtin_ctz(mask));
            if (match(at)) {
                found = static_cast<long long>(at);
                return at;
            }
        }
    }
    return pos;
}
#endif

} // namespace

size_t Utf8CharLength(std::string_view text, size_t pos) {
    const int n = Utf8::SequenceLength(text, pos);
    return n == 0 ? 1 : static_cast<size_t>(n);
}

size_t Utf8CharBefore(std::string_view text, size_t pos) {
    const size_t last = pos - 1;
    if (!isContinuation(static_cast<unsigned char>(text[last]))) {
        return last;
    }
    for (size_t back = 2; back <= 4 && back <= pos; ++back) {
        const size_t at = pos - back;
        if (!isContinuation(static_cast<unsigned char>(text[at]))) {
            return Utf8::SequenceLength(text, at) == static_cast<int>(back) ? at : last;
        }
    }
    return last;
}

bool IsUtf8CharStart(std::string_view text, size_t pos) {
    if (pos == 0 || pos >= text.size() || !isContinuation(static_cast<unsigned char>(text[pos]))) {
        return true;
    }
    for (size_t back = 1; back <= 3 && back <= pos; ++back) {
        const size_t at = pos - back;
        if (!isContinuation(static_cast<unsigned char>(text[at]))) {
            return static_cast<size_t>(Utf8::SequenceLength(text, at)) <= back;
        }
    }
    return true;
}

bool IsUtf8WholeWordAt(std::string_view text, size_t pos, size_t length) {
    if (pos > 0 && isWordChar(text, Utf8CharBefore(text, pos))) {
        return false;
    }
    const size_t end = pos + length;
    return end >= text.size() || !isWordChar(text, end);
}

TTextSearch::TTextSearch(std::string_view needle, bool unicode, bool wholeWord, bool matchCase)
    : needle_(needle), unicode_(unicode), wholeWord_(wholeWord), matchCase_(matchCase),
      minLength_(needle.size()), maxLength_(needle.size()) {
    if (!unicode_ || matchCase_ || needle.empty()) {
        return;
    }
    // Each character's case forms, and the offsets a match's characters can
    // start at: the bytes each offset can hold follow from them.
    std::vector<std::vector<std::string>> forms;
    for (size_t at = 0, n = 0; at < needle.size(); at += n) {
        folded_.push_back(foldedAt(needle, at, n));
        forms.push_back(caseForms(folded_.back()));
        folds_ = folds_ || forms.back().size() > 1;
    }
    if (!folds_) {
        return;
    }
    minLength_ = maxLength_ = 0;
    for (const auto& f : forms) {
        const auto [shortest, longest] = std::minmax_element(
            f.begin(), f.end(), [](const auto& x, const auto& y) { return x.size() < y.size(); });
        minLength_ += shortest->size();
        maxLength_ += longest->size();
    }
    const size_t span = std::min<size_t>(minLength_, 16);
    std::vector<std::array<bool, 256>> bytes(span);
    std::vector<size_t> starts{0};
    for (size_t c = 0; c < forms.size() && !starts.empty(); ++c) {
        std::vector<size_t> next;
        for (const size_t s : starts) {
            for (const std::string& form : forms[c]) {
                for (size_t j = 0; j < form.size() && s + j < span; ++j) {
                    bytes[s + j][static_cast<unsigned char>(form[j])] = true;
                }
                if (s + form.size() < span) {
                    next.push_back(s + form.size());
                }
            }
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        starts = std::move(next);
    }
    auto setAt = [&](size_t offset) {
        TByteSet set{offset, bytes[offset], {}};
        for (int b = 0; b < 256; ++b) {
            if (set.has[b]) {
                set.values.push_back(static_cast<unsigned char>(b));
            }
        }
        return set;
    };
    first_ = setAt(0);
    // The most telling other offset: fewest bytes, and the farther the better.
    second_ = setAt(0);
    for (size_t j = 1; j < span; ++j) {
        TByteSet set = setAt(j);
        if (second_.offset == 0 || set.values.size() <= second_.values.size()) {
            second_ = std::move(set);
        }
    }
}

long long TTextSearch::Find(std::string_view text, size_t from, size_t to, size_t& length) const {
    length = 0;
    if (!unicode_) {
        const long long at = FindBytes(text, needle_, from, to, wholeWord_, matchCase_);
        length = at >= 0 ? needle_.size() : 0;
        return at;
    }
    const size_t n = needle_.size();
    if (n == 0 || minLength_ > text.size()) {
        return -1;
    }
    to = std::min(to, text.size() - minLength_ + 1);
    if (from >= to) {
        return -1;
    }
    if (!bytewise()) {
        return findFolded(text, from, to, length);
    }
    for (size_t pos = from; pos < to;) {
        const void* hit = ::memmem(text.data() + pos, to - pos + n - 1, needle_.data(), n);
        if (!hit) {
            return -1;
        }
        const auto at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
        if (IsUtf8CharStart(text, at) && IsUtf8CharStart(text, at + n) &&
            (!wholeWord_ || IsUtf8WholeWordAt(text, at, n))) {
            length = n;
            return static_cast<long long>(at);
        }
        pos = at + 1;
    }
    return -1;
}

bool TTextSearch::foldedMatchAt(std::string_view text, size_t at, size_t& length) const {
    if (!IsUtf8CharStart(text, at)) {
        return false;
    }
    size_t pos = at;
    for (const char32_t c : folded_) {
        size_t n = 0;
        if (pos >= text.size() || foldedAt(text, pos, n) != c) {
            return false;
        }
        pos += n;
    }
    if (wholeWord_ && !IsUtf8WholeWordAt(text, at, pos - at)) {
        return false;
    }
    length = pos - at;
    return true;
}

long long TTextSearch::findFolded(std::string_view text, size_t from, size_t to,
                                  size_t& length) const {
    auto match = [&](size_t at) { return foldedMatchAt(text, at, length); };
    long long found = -1;
    size_t pos = from;
#if defined(__SSE2__)
    const size_t a = first_.values.size();
    const size_t b = second_.values.size();
    if (a <= 4 && b <= 4) {
        const auto run = [&](auto sifter) {
            pos = sifter(text, from, to, first_.offset, second_.offset, first_.values,
                         second_.values, match, found);
        };
        if (a <= 2 && b <= 2) {
            run(sift<2, 2, decltype(match)&>);
        } else if (a <= 2) {
            run(sift<2, 4, decltype(match)&>);
        } else if (b <= 2) {
            run(sift<4, 2, decltype(match)&>);
        } else {
            run(sift<4, 4, decltype(match)&>);
        }
        if (found >= 0) {
            return found;
        }
    }
#endif
    for (; pos < to; ++pos) {
        if (first_.has[static_cast<unsigned char>(text[pos])] &&
            second_.has[static_cast<unsigned char>(text[pos + second_.offset])] && match(pos)) {
            return static_cast<long long>(pos);
        }
    }
    return -1;
}

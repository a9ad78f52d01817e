// The search of Unicode documents against its definition, character by
// character: any bytes as text and search text, ill-formed ones included.
// Input: a byte of options, a byte for the search text's length, the search
// text, then the text.
#include "framework/TextSearch.h"
#include "framework/Utf8.h"
#include "texttools/ReplaceAll.h"

#include <QChar>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

struct TCharacter {
    size_t first;  // where it starts
    long second;   // its folding (an ill-formed byte as -1 - byte)
    long original; // the character itself, which whole words are judged by
};

std::vector<TCharacter> characters(std::string_view text) {
    std::vector<TCharacter> out;
    for (size_t at = 0; at < text.size();) {
        const int n = Utf8::SequenceLength(text, at);
        const long ill = -1 - static_cast<unsigned char>(text[at]);
        const long ch = n == 0 ? ill : static_cast<long>(Utf8::Decode(text, at, n));
        out.push_back(
            {at, n == 0 ? ill : static_cast<long>(QChar::toCaseFolded(static_cast<char32_t>(ch))),
             ch});
        at += n == 0 ? 1 : static_cast<size_t>(n);
    }
    return out;
}

bool isWord(long ch) {
    return ch == '_' || (ch >= 0 && (QChar::isLetter(static_cast<char32_t>(ch)) ||
                                     QChar::isDigit(static_cast<char32_t>(ch))));
}

// The first match starting at a character at or after `from`, and its length.
std::pair<long long, size_t> slowFind(std::string_view text, std::string_view needle, size_t from,
                                      bool wholeWord, bool matchCase) {
    const auto t = characters(text);
    const auto n = characters(needle);
    for (size_t i = 0; !n.empty() && i + n.size() <= t.size(); ++i) {
        const size_t start = t[i].first;
        const size_t end = i + n.size() < t.size() ? t[i + n.size()].first : text.size();
        bool same = start >= from && (!matchCase || text.substr(start, end - start) == needle);
        for (size_t k = 0; k < n.size() && same; ++k) {
            same = n[k].second == t[i + k].second;
        }
        if (same && wholeWord) {
            same = !(i > 0 && isWord(t[i - 1].original)) &&
                   !(i + n.size() < t.size() && isWord(t[i + n.size()].original));
        }
        if (same) {
            return {static_cast<long long>(start), end - start};
        }
    }
    return {-1, 0};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const bool wholeWord = (data[0] & 1) != 0;
    const bool matchCase = (data[0] & 2) != 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string_view needle = rest.substr(0, data[1] % 12u);
    const std::string_view text = rest.substr(needle.size());
    const size_t from = text.empty() ? 0 : (data[0] >> 2) % (text.size() + 1);

    const TTextSearch search(needle, true, wholeWord, matchCase);
    size_t length = 0;
    const long long at = search.Find(text, from, text.size(), length);
    const auto [slowAt, slowLength] = slowFind(text, needle, from, wholeWord, matchCase);
    if (at != slowAt || (at >= 0 && length != slowLength) ||
        (at >= 0 && (length < search.MinLength() || length > search.MaxLength()))) {
        std::abort();
    }
    // Replace All's edits lie in the text, in order, each on whole characters.
    const TReplacePlan plan = PlanReplaceAll(text, needle, "\xC3", 0, wholeWord, matchCase, true);
    size_t end = 0;
    for (const TByteEdit& edit : plan.Edits) {
        if (edit.From < end || edit.To > text.size() || !IsUtf8CharStart(text, edit.From) ||
            !IsUtf8CharStart(text, edit.To)) {
            std::abort();
        }
        end = edit.To;
    }
    return 0;
}

#include "framework/CodePage.h"
#include "framework/TextSearch.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// The plain definition: first start in [from, to) where the needle matches.
long long naiveFind(const std::string& text, const std::string& needle, size_t from, size_t to,
                    bool wholeWord, bool matchCase) {
    auto same = [&](char a, char b) {
        return matchCase ? a == b
                         : CodePage::Lower(static_cast<unsigned char>(a)) ==
                               CodePage::Lower(static_cast<unsigned char>(b));
    };
    if (needle.empty()) {
        return -1;
    }
    for (size_t p = from; p < to && p + needle.size() <= text.size(); ++p) {
        bool hit = true;
        for (size_t i = 0; i < needle.size() && hit; ++i) {
            hit = same(text[p + i], needle[i]);
        }
        if (hit && (!wholeWord || IsWholeWordAt(text, p, needle.size()))) {
            return static_cast<long long>(p);
        }
    }
    return -1;
}

} // namespace

// Matches across the edges of the blocks the search folds, in every mode.
TEST(TextSearch, AgreesWithThePlainDefinition) {
    std::mt19937 rng(5);
    const char alphabet[] = {'a', 'A', 'b', ' ', '_', '\xE9', '\xC9', '1'};
    for (int round = 0; round < 300; ++round) {
        std::string text(rng() % 2000, ' ');
        for (char& c : text) {
            c = alphabet[rng() % sizeof alphabet];
        }
        std::string needle(1 + rng() % 3, ' ');
        for (char& c : needle) {
            c = alphabet[rng() % sizeof alphabet];
        }
        const size_t from = rng() % (text.size() + 1);
        const size_t to = from + rng() % (text.size() + 10);
        for (int mode = 0; mode < 4; ++mode) {
            const bool wholeWord = mode & 1;
            const bool matchCase = mode & 2;
            ASSERT_EQ(FindBytes(text, needle, from, to, wholeWord, matchCase),
                      naiveFind(text, needle, from, to, wholeWord, matchCase))
                << "round " << round << " mode " << mode;
        }
    }
}

#include "texttools/ReplaceAll.h"

#include "framework/TextSearch.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>

namespace {

struct TOutcome {
    std::string text;
    size_t caret = 0;
    size_t count = 0;
};

TOutcome applied(std::string_view text, const TReplacePlan& plan) {
    std::string out;
    size_t at = 0;
    for (const TByteEdit& edit : plan.Edits) {
        EXPECT_LE(at, edit.From);
        EXPECT_LE(edit.From, edit.To);
        out.append(text.substr(at, edit.From - at));
        out.append(edit.Bytes);
        at = edit.To;
    }
    out.append(text.substr(at));
    return {out, plan.Caret, plan.Count};
}

TOutcome planned(std::string_view text, std::string_view search, std::string_view replacement,
                 size_t start = 0, bool wholeWord = false, bool matchCase = true) {
    return applied(text, PlanReplaceAll(text, search, replacement, start, wholeWord, matchCase));
}

// The command as first conceived: search, replace, search again from the top,
// one whole search each time; it ends on a match made only of inserted bytes.
TOutcome reference(std::string text, std::string_view search, std::string_view replacement,
                   size_t start, bool wholeWord, bool matchCase) {
    std::vector<bool> inserted(text.size(), false);
    TOutcome out;
    for (;;) {
        const long long at = FindBytes(text, search, start, text.size(), wholeWord, matchCase);
        if (at < 0) {
            break;
        }
        const auto p = static_cast<size_t>(at);
        bool onlyInserted = true;
        for (size_t i = p; i < p + search.size(); ++i) {
            onlyInserted = onlyInserted && inserted[i];
        }
        if (onlyInserted) {
            break;
        }
        text.replace(p, search.size(), replacement);
        inserted.erase(inserted.begin() + static_cast<long>(p),
                       inserted.begin() + static_cast<long>(p + search.size()));
        inserted.insert(inserted.begin() + static_cast<long>(p), replacement.size(), true);
        out.caret = p + replacement.size();
        ++out.count;
        start = 0;
    }
    out.text = std::move(text);
    return out;
}

} // namespace

TEST(ReplaceAll, GivesTheResultOfSearchingFromTheTopAfterEachReplacement) {
    struct Case {
        const char* text;
        const char* search;
        const char* replacement;
        size_t start;
        bool wholeWord;
        bool matchCase;
        const char* result;
        size_t caret;
        size_t count;
    };
    const Case cases[] = {
        {"cat cat", "cat", "dog", 0, false, true, "dog dog", 7, 2},
        // The replacement makes a new match with the text after it.
        {"abb", "ab", "a", 0, false, true, "a", 1, 2},
        // A match inside the text just inserted ends it.
        {"a a", "a", "ab", 0, false, true, "ab a", 2, 1},
        {"Cat cat", "cat", "CAT", 0, false, false, "CAT cat", 3, 1},
        {"a b a", "a", "a a", 0, true, true, "a a b a", 3, 1},
        // A match across two insertions ends it too; it would regrow forever.
        {" bb ", " b", "bb  ", 0, false, true, "bb bb   ", 7, 2},
        // From after the selection first, then from the top.
        {"cat cat cat", "cat", "dog", 4, false, true, "dog dog dog", 11, 3},
        {"cat x", "cat", "dog", 4, false, true, "cat x", 0, 0},
        {"xyz", "q", "r", 0, false, true, "xyz", 0, 0},
        {"xyz", "", "r", 0, false, true, "xyz", 0, 0},
        {"cat category cat", "cat", "dog", 0, true, true, "dog category dog", 16, 2},
        {"CAF\xC9 caf\xE9 cafe", "caf\xE9", "tea", 0, false, false, "tea tea cafe", 7, 2},
        {"CAF\xC9 caf\xE9", "caf\xE9", "tea", 0, false, true, "CAF\xC9 tea", 8, 1},
        // Line ends, NUL and high bytes are bytes like any other.
        {"a\r\nb\r\nc", "\r\n", "\n", 0, false, true, "a\nb\nc", 4, 2},
        {"x\xFFy\xFF", "\xFF", "\r", 0, false, true, "x\ry\r", 4, 2},
        {"ab", "ab", "", 0, false, true, "", 0, 1},
    };
    for (const Case& c : cases) {
        const TOutcome out =
            planned(c.text, c.search, c.replacement, c.start, c.wholeWord, c.matchCase);
        EXPECT_EQ(out.text, c.result) << c.text << " / " << c.search;
        EXPECT_EQ(out.caret, c.caret) << c.text << " / " << c.search;
        EXPECT_EQ(out.count, c.count) << c.text << " / " << c.search;
    }
    // NUL inside the search text and the text.
    const std::string nul("a\0b a\0b", 7);
    EXPECT_EQ(planned(nul, std::string("\0b", 2), "-").text, "a- a-");
}

TEST(ReplaceAll, AgreesWithTheRepeatedSearchOnRandomTexts) {
    std::mt19937 rng(1206);
    const std::string alphabet = "aAb \xE9\xC9\r\n_";
    auto randomText = [&](size_t maxLength) {
        std::string s(rng() % (maxLength + 1), ' ');
        for (char& c : s) {
            c = alphabet[rng() % alphabet.size()];
        }
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = randomText(14);
        std::string search = randomText(3);
        if (search.empty()) {
            search = "a";
        }
        const std::string replacement = randomText(5);
        const size_t start = rng() % 2 ? 0 : rng() % (text.size() + 1);
        const bool wholeWord = rng() % 3 == 0;
        const bool matchCase = rng() % 2 == 0;
        const TOutcome expected = reference(text, search, replacement, start, wholeWord, matchCase);
        const TOutcome got = planned(text, search, replacement, start, wholeWord, matchCase);
        const auto what =
            ::testing::PrintToString(std::vector<std::string>{text, search, replacement}) +
            " from " + std::to_string(start) + (wholeWord ? " whole" : "") +
            (matchCase ? " case" : "");
        ASSERT_EQ(got.text, expected.text) << what;
        ASSERT_EQ(got.caret, expected.caret) << what;
        ASSERT_EQ(got.count, expected.count) << what;
    }
}

TEST(ReplaceAll, StaysLinearWithManyMatchesAndLongTexts) {
    // 200,000 matches in 2 MB: a search from the top for each would scan
    // hundreds of gigabytes.
    std::string text;
    for (int i = 0; i < 200000; ++i) {
        text += "lorem ipsum cat ";
    }
    const auto began = std::chrono::steady_clock::now();
    const TReplacePlan plan = PlanReplaceAll(text, "CAT", "dog", 0, true, false);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    EXPECT_EQ(plan.Count, 200000u);
    EXPECT_EQ(plan.Edits.size(), 200000u);
    EXPECT_LT(seconds, 10.0);

    // A 1 MB search text, and a replacement holding it: one replacement.
    const std::string big(1 << 20, 'q');
    const TOutcome once = planned("<" + big + ">", big, big + big);
    EXPECT_EQ(once.count, 1u);
    EXPECT_EQ(once.text, "<" + big + big + ">");
}

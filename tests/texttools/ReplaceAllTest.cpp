#include "texttools/ReplaceAll.h"

#include "framework/TextSearch.h"
#include "tests/common/CpuTime.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct TOutcome {
    std::string text;
    size_t caret = 0;
    size_t count = 0;
    bool operator==(const TOutcome&) const = default;
};

TOutcome planned(const std::string& text, const std::string& search, const std::string& with,
                 size_t start = 0, bool wholeWord = false, bool matchCase = true,
                 bool unicode = false) {
    const TReplacePlan plan =
        PlanReplaceAll(text, search, with, start, wholeWord, matchCase, unicode);
    std::string out;
    size_t at = 0;
    for (const TByteEdit& edit : plan.Edits) {
        EXPECT_LE(at, edit.From);
        out += text.substr(at, edit.From - at) + edit.Bytes;
        at = edit.To;
    }
    return {out + text.substr(at), plan.Caret, plan.Count};
}

// Replace All as first conceived: search, replace, search again from the top;
// it ends on a match made only of inserted bytes.
TOutcome reference(std::string text, const std::string& search, const std::string& with,
                   size_t start, bool wholeWord, bool matchCase, bool unicode = false) {
    std::vector<bool> inserted(text.size(), false);
    TOutcome out;
    const TTextSearch searched(search, unicode, wholeWord, matchCase);
    size_t n = 0;
    for (long long at; (at = searched.Find(text, start, text.size(), n)) >= 0; start = 0) {
        const auto p = static_cast<size_t>(at);
        const auto first = inserted.begin() + at;
        if (std::all_of(first, first + static_cast<long>(n), [](bool b) { return b; })) {
            break;
        }
        text.replace(p, n, with);
        inserted.erase(first, first + static_cast<long>(n));
        inserted.insert(inserted.begin() + at, with.size(), true);
        out.caret = p + with.size();
        ++out.count;
    }
    out.text = std::move(text);
    return out;
}

} // namespace

TEST(ReplaceAll, EndsWhereTheReplacementWouldRegrowAndKeepsEveryByte) {
    struct Case {
        std::string text, search, with;
        size_t start;
        bool wholeWord, matchCase;
        TOutcome result;
    };
    const Case cases[] = {
        {"cat cat", "cat", "dog", 0, false, true, {"dog dog", 7, 2}},
        // The replacement makes a new match with the text after it.
        {"abb", "ab", "a", 0, false, true, {"a", 1, 2}},
        // A match inside the text just inserted, or across two insertions, ends it.
        {"a a", "a", "ab", 0, false, true, {"ab a", 2, 1}},
        {"Cat cat", "cat", "CAT", 0, false, false, {"CAT cat", 3, 1}},
        {" bb ", " b", "bb  ", 0, false, true, {"bb bb   ", 7, 2}},
        // From after the selection first, then from the top.
        {"cat cat cat", "cat", "dog", 4, false, true, {"dog dog dog", 11, 3}},
        {"xyz", "", "r", 0, false, true, {"xyz", 0, 0}},
        {"CAF\xC9 caf\xE9 cafe", "caf\xE9", "tea", 0, true, false, {"tea tea cafe", 7, 2}},
        {"a\r\nb\r\nc", "\r\n", "\n", 0, false, true, {"a\nb\nc", 4, 2}},
        {std::string("a\0b a\0b", 7),
         std::string("\0b", 2),
         "\xFF",
         0,
         false,
         true,
         {"a\xFF a\xFF", 5, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(planned(c.text, c.search, c.with, c.start, c.wholeWord, c.matchCase), c.result)
            << c.text << " / " << c.search;
    }
    const std::string big(1 << 20, 'q'); // a 1 MB search text in its own replacement
    EXPECT_EQ(planned("<" + big + ">", big, big + big).text, "<" + big + big + ">");
}

TEST(ReplaceAll, AgreesWithTheRepeatedSearchOnRandomTexts) {
    std::mt19937 rng(1206);
    const std::string alphabet = "aAb \xE9\xC9\r\n_";
    auto random = [&](size_t maxLength) {
        std::string s(rng() % (maxLength + 1), ' ');
        for (char& c : s) {
            c = alphabet[rng() % alphabet.size()];
        }
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = random(14), search = random(2) + "a", with = random(5);
        const size_t start = rng() % 2 ? 0 : rng() % (text.size() + 1);
        const bool wholeWord = rng() % 3 == 0, matchCase = rng() % 2 == 0;
        ASSERT_EQ(planned(text, search, with, start, wholeWord, matchCase),
                  reference(text, search, with, start, wholeWord, matchCase))
            << ::testing::PrintToString(std::vector{text, search, with}) << " from " << start
            << (wholeWord ? " whole" : "") << (matchCase ? " case" : "");
    }
}

TEST(ReplaceAll, InAUnicodeDocumentAgreesWithTheRepeatedSearchOnRandomTexts) {
    std::mt19937 rng(2104);
    // Case forms of other lengths, and bytes that make characters with their
    // neighbours or stay ill-formed.
    const char* const pieces[] = {"a",  "K",  "k",    "\u212A", "ß",    "\u1E9E", " ",    "_",
                                  "\r", "\n", "\xE2", "\x82",   "\xAC", "\xC3",   "\xA9", "é"};
    auto random = [&](size_t most) {
        std::string s;
        for (size_t i = rng() % (most + 1); i > 0; --i) {
            s += pieces[rng() % std::size(pieces)];
        }
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = random(14), search = random(1) + pieces[rng() % 6],
                          with = random(4);
        const size_t start = rng() % 2 ? 0 : rng() % (text.size() + 1);
        const bool wholeWord = rng() % 3 == 0, matchCase = rng() % 3 == 0;
        ASSERT_EQ(planned(text, search, with, start, wholeWord, matchCase, true),
                  reference(text, search, with, start, wholeWord, matchCase, true))
            << ::testing::PrintToString(std::vector{text, search, with}) << " from " << start
            << (wholeWord ? " whole" : "") << (matchCase ? " case" : "");
    }
}

TEST(ReplaceAll, StaysLinearWithManyMatches) {
    // 100,000 matches in 1.6 MB: a case-blind search from the top for each
    // would scan 80 GB, most of a minute even in an optimised build.
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "lorem ipsum cat ";
    }
    TReplacePlan plan;
    EXPECT_LT(
        testcpu::secondsOf([&] { plan = PlanReplaceAll(text, "CAT", "dog", 0, true, false); }), 30);
    EXPECT_EQ(plan.Count, 100000u);
    EXPECT_EQ(plan.Edits.size(), 100000u);
}

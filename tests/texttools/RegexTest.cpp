#include "texttools/RegexMatcher.h"
#include "texttools/RegexReplaceAll.h"
#include "texttools/RegexTables.h"
#include "texttools/ReplaceTemplate.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <cctype>
#include <cstring>
#include <gtest/gtest.h>
#include <pcre2.h>

namespace {

using namespace std::string_literals;

constexpr TRegexOptions kCase{true, false, false};
constexpr TRegexOptions kNoCase{false, false, false};
constexpr TRegexOptions kWord{true, true, false};
constexpr TRegexOptions kUtf{true, false, true};
constexpr TRegexOptions kUtfNoCase{false, false, true};

// "start-end" of the first match from `from`, "-" without one, "!" on failure.
std::string found(const std::string& text, const std::string& pattern, TRegexOptions options,
                  size_t from = 0) {
    TRegexMatcher m(pattern, options);
    if (!m.Ok()) {
        return "error " + std::to_string(m.ErrorOffset()) + ": " + m.Error();
    }
    const TRegexStatus status = m.Find(text, from);
    if (status == TRegexStatus::Failed) {
        return "! " + m.Error();
    }
    return status == TRegexStatus::NotFound
               ? "-"
               : std::to_string(m.Start()) + "-" + std::to_string(m.End());
}

} // namespace

TEST(Regex, LinesCaseWordsAndBytesOfTheDocument) {
    const std::string longPattern(100000, 'a');
    const std::tuple<std::string, std::string, TRegexOptions, size_t, std::string> cases[] = {
        // Every kind of line end starts and ends a line; "." and a match end stay
        // off them, "\R" takes a CR LF whole.
        {"a\r\nb\rc\nd", "^[bcd]", kCase, 1, "3-4"},
        {"a\r\nb\rc\nd", "^[cd]", kCase, 0, "5-6"},
        {"ab\r\ncd", "b$", kCase, 0, "1-2"},
        {"ab\r\ncd", ".+", kCase, 2, "4-6"},
        {"a\r\nb", "a\\Rb", kCase, 0, "0-4"},
        {"a\r\nb", "a[\\s\\S]", kCase, 0, "-"},
        {"a\r\nb", "a[\\s\\S]+?", kCase, 0, "0-3"},
        {"a\r\nb", "$", kCase, 2, "4-4"},
        {"a\r\nb", "\\r", kCase, 0, "-"},
        // 0x85 is an ellipsis in the code page, no line end.
        {"a\x85"
         "b",
         "a\\Rb", kCase, 0, "-"},
        {"a\x85"
         "b",
         "^b", kCase, 0, "-"},
        // Case and letters by the code page.
        {"x caf\xE9", "CAF\xC9", kNoCase, 0, "2-6"},
        {"x caf\xE9", "CAF\xC9", kCase, 0, "-"},
        {"\xFF", "\x9F", kNoCase, 0, "0-1"},
        {"\xE9t\xE9!", "\\w+", kCase, 0, "0-3"},
        {"\xE9t\xE9!", "[[:alpha:]]+", kCase, 0, "0-3"},
        // Whole words stand between non-word characters, the second choice
        // at a start too.
        {"caf\xE9s caf\xE9", "caf\xE9", kWord, 0, "6-10"},
        {"cats", "cat|cats", kWord, 0, "0-4"},
        {"a x! x", " x", kWord, 0, "4-6"},
        // NUL and bytes above 127 on both sides; a lookbehind.
        {"xa\0b\xFE"s, "a\0b\xFE"s, kCase, 0, "1-5"},
        {"cab ab", "(?<=c)ab", kCase, 0, "1-3"},
        // Settings at the front stay in front.
        {"a\nb", "(*CR)^b", kCase, 0, "-"},
        {"(*UTF)", "(*UTF)x", kCase, 0, "error 6: using UTF is disabled by the application"},
        // Extended mode with a comment to the end, alone and as a whole word.
        {"ab a", "(?x) a # the letter", kWord, 0, "3-4"},
        // Errors, where PCRE2 places them, the wrapping never hiding one.
        {"", "(", kCase, 0, "error 1: missing closing parenthesis"},
        {"", "a**", kCase, 0, "error 2: quantifier does not follow a repeatable item"},
        {"", "a)(b", kCase, 0, "error 1: unmatched closing parenthesis"},
        // UTF-8: Unicode case and classes, invalid bytes never matching.
        {"x \xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89", kUtfNoCase, 0, "2-7"},
        {"\xFF\xC3\xA9t!", "\\w+", kUtf, 0, "1-4"},
        {"\xFF\xC3 b", ".", kUtf, 0, "2-3"},
        {"\xC3\xA9", "\\xC3", kUtf, 0, "-"},
    };
    for (const auto& [text, pattern, options, from, result] : cases) {
        EXPECT_EQ(found(text, pattern, options, from), result) << text << " / " << pattern;
    }
    // A huge pattern compiles or says why not.
    TRegexMatcher huge(longPattern, kCase);
    EXPECT_TRUE(huge.Ok() ? huge.Find(longPattern, 0) == TRegexStatus::Found
                          : !huge.Error().empty());
}

TEST(Regex, BacktrackingWithoutEndStopsAtTheLimitWithAMessage) {
    const std::string as(20 << 20, 'a');
    EXPECT_EQ(found(as, "(a+)+$", kCase), "0-" + std::to_string(as.size()));
    for (const char* pattern : {"(a+)+b", "(a|aa)+b", "(?:a|b)*c"}) {
        EXPECT_EQ(found(as, pattern, kCase),
                  "! The pattern backtracks too much on this text, so the search was stopped")
            << pattern;
    }
}

TEST(Regex, TablesAreLaidOutAsTheEnginesOwn) {
    // Built from the C library's classes, ours equal the engine's own maker.
    TByteTraits traits;
    for (int b = 0; b < 256; ++b) {
        using K = TByteTraits;
        traits.kinds[b] =
            (std::isdigit(b) ? K::Digit : 0) | (std::isupper(b) ? K::Upper : 0) |
            (std::islower(b) ? K::Lower : 0) | (std::isalpha(b) ? K::Letter : 0) |
            (std::isspace(b) ? K::Space : 0) | (std::isxdigit(b) ? K::HexDigit : 0) |
            (std::isgraph(b) ? K::Graphic : 0) | (std::isprint(b) ? K::Printable : 0) |
            (std::ispunct(b) ? K::Punctuation : 0) | (std::iscntrl(b) ? K::Control : 0);
        traits.lower[b] = static_cast<std::uint8_t>(std::tolower(b));
        traits.upper[b] = static_cast<std::uint8_t>(std::toupper(b));
    }
    const uint8_t* theirs = pcre2_maketables(nullptr);
    const auto ours = BuildRegexTables(traits);
    EXPECT_EQ(std::memcmp(ours.data(), theirs, ours.size()), 0);
    pcre2_maketables_free(nullptr, theirs);
}

namespace {

// The text after Replace All, with its count and caret; or the problem.
std::string replaced(const std::string& text, const std::string& pattern, const std::string& with,
                     const std::string& lineEnd = "\n") {
    TRegexMatcher m(pattern, kCase);
    TReplaceTemplate t(with);
    if (!t.Error().empty()) {
        return "error " + std::to_string(t.ErrorOffset()) + ": " + t.Error();
    }
    if (!t.Bind(m)) {
        return t.Error();
    }
    TReplacePlan plan;
    PlanRegexReplaceAll(text, m, t, lineEnd, plan);
    std::string out;
    size_t at = 0;
    for (const TByteEdit& edit : plan.Edits) {
        EXPECT_LE(at, edit.From);
        out += text.substr(at, edit.From - at) + edit.Bytes;
        at = edit.To;
    }
    out += text.substr(at);
    return out + " #" + std::to_string(plan.Count) + " @" + std::to_string(plan.Caret);
}

} // namespace

TEST(Regex, ReplaceAllExpandsGroupsLineEndsAndEmptyMatchesOnce) {
    const std::tuple<std::string, std::string, std::string, std::string, std::string> cases[] = {
        {"cat cot", "c(.)t", "$1-$0-$&-$$-${1}0", "\n", "a-cat-cat-$-a0 o-cot-cot-$-o0 #2 @29"},
        {"ab cd", "(?<first>\\w)(?<second>\\w)", "${second}${first}", "\n", "ba dc #2 @5"},
        {"ab", "(a)|(b)", "[$2]", "\n", "[][b] #2 @5"},
        {"(?J)", "(?J)(?<n>x)|(?<n>\\()", "<${n}>", "\n", "<(>?J) #1 @3"},
        // \n is the document's line end, \r\n too; other escapes and a lone $
        // stand for themselves.
        {"a,b", ",", "\\n", "\r\n", "a\r\nb #1 @3"},
        {"a,b", ",", "\\r\\n|\\t|\\\\|\\q|$", "\r", "a\r|\t|\\|\\q|$b #1 @11"},
        // Empty matches: each once, one character on, never inside a CR LF.
        {"xa", "x*", "-", "\n", "--a- #3 @4"},
        {"a\r\nb", "^", "> ", "\r\n", "> a\r\n> b #2 @7"},
        {"a\r\nb", "$", ";", "\r\n", "a;\r\nb; #2 @6"},
        {"aaa", "a", "aa", "\n", "aaaaaa #3 @6"},
        {"abc", "x", "y", "\n", "abc #0 @0"},
        // Groups the pattern has not: nothing is planned.
        {"a", "(a)", "$7", "\n", "No group 7 in the pattern"},
        {"a", "(a)", "$10", "\n", "No group 10 in the pattern"},
        {"a", "(?<n>a)", "${m}", "\n", "No group named m in the pattern"},
        {"a", "(a)", "x${1", "\n", "error 1: ${ needs a group number or name, then }"},
        {"a", "(a)", "${}", "\n", "error 0: ${ needs a group number or name, then }"},
    };
    for (const auto& [text, pattern, with, lineEnd, result] : cases) {
        EXPECT_EQ(replaced(text, pattern, with, lineEnd), result) << text << " / " << pattern;
    }
}

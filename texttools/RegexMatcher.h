#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How a pattern reads the document's bytes.
struct TRegexOptions {
    bool MatchCase = false;
    // The match stands between non-word characters (or the ends of the text).
    bool WholeWord = false;
    // UTF-8 with Unicode classes and case, invalid sequences never matching;
    // else one character per byte of the document code page.
    bool Utf = false;
};

enum class TRegexStatus { Found, NotFound, Failed };

// A regular expression compiled for searching a document's bytes in place.
//
// Lines end at CR LF, CR or LF alike: "^" and "$" hold at every line start
// and end, "." matches no line end and "\R" any of the three; a match never
// ends between the CR and the LF of a pair. A search that backtracks beyond
// the limits fails with a message instead of running on.
class TRegexMatcher {
public:
    TRegexMatcher(std::string_view pattern, TRegexOptions options);
    ~TRegexMatcher();
    TRegexMatcher(const TRegexMatcher&) = delete;
    TRegexMatcher& operator=(const TRegexMatcher&) = delete;

    // False when the pattern does not compile; Error() then says why, and
    // ErrorOffset() where in the pattern's bytes.
    bool Ok() const;
    // Why the pattern did not compile, or why the last search failed.
    const std::string& Error() const { return error_; }
    size_t ErrorOffset() const { return errorOffset_; }

    // Capturing groups in the pattern, and the groups a name stands for
    // (several when names may repeat; empty when there is no such name).
    int GroupCount() const;
    std::vector<int> GroupsNamed(std::string_view name) const;

    // The first match starting at or after `from` (which must lie on a
    // character), no empty one with `notEmpty`; or a non-empty one starting
    // at `at` exactly. On Found, Group() tells the match.
    TRegexStatus Find(std::string_view text, size_t from, bool notEmpty = false);
    TRegexStatus MatchAt(std::string_view text, size_t at);

    // Group `n` of the last match (0: the match itself): false when it took
    // no part in it.
    bool Group(int n, size_t& start, size_t& end) const;
    size_t Start() const;
    size_t End() const;

    // Where the character after the one at `pos` begins.
    size_t NextCharacter(std::string_view text, size_t pos) const;

private:
    struct Impl;
    TRegexStatus run(std::string_view text, size_t from, unsigned flags);

    std::unique_ptr<Impl> impl_;
    TRegexOptions options_;
    std::string error_;
    size_t errorOffset_ = 0;
};

#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TRegexMatcher;

// The replacement text of a regular-expression replace: bytes as typed, with
//   $0 $& the match      $1..$99 ${n} ${name} a group      $$ a "$"
//   \n the document's line end (\r\n too)   \t a tab   \\ a "\"
// A "$" or "\" that starts none of these stands for itself.
class TReplaceTemplate {
public:
    explicit TReplaceTemplate(std::string_view text);

    // Empty when the text reads; else why not, at ErrorOffset() of its bytes.
    const std::string& Error() const { return error_; }
    size_t ErrorOffset() const { return errorOffset_; }

    // Resolves names and checks every group named exists in the pattern;
    // false, with Error() saying which, when one does not.
    bool Bind(const TRegexMatcher& matcher);

    // Appends the replacement of the matcher's last match in `subject`; a
    // group that took no part gives nothing.
    void Expand(const TRegexMatcher& matcher, std::string_view subject, std::string_view lineEnd,
                std::string& out) const;

    // The replacement when no match is known: the selection stands for $0,
    // every other group gives nothing.
    std::string ExpandPlain(std::string_view whole, std::string_view lineEnd) const;

private:
    struct Piece {
        enum Kind { Bytes, Group, Name, LineEnd } kind;
        size_t from = 0;   // Bytes: in literals_; Name: in the text
        size_t length = 0; // Bytes: its length; Name: the name's
        int group = 0;     // Group: its number; Name: its first in groups_
        int groups = 0;    // Name: how many groups bear it
    };
    void bytes(std::string_view b);
    template <typename G> void expand(G&& group, std::string_view lineEnd, std::string& out) const;

    std::string text_;
    std::string literals_;
    std::vector<Piece> pieces_;
    std::vector<int> groups_; // of the names, resolved by Bind
    std::string error_;
    size_t errorOffset_ = 0;
};

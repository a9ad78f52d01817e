#include "texttools/ReplaceTemplate.h"

#include "texttools/RegexMatcher.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Group names as the pattern may spell them; letters beyond ASCII are left
// to the pattern to accept or not.
bool isNameByte(char c) {
    return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

void TReplaceTemplate::bytes(std::string_view b) {
    if (!pieces_.empty() && pieces_.back().kind == Piece::Bytes) {
        pieces_.back().length += b.size();
    } else {
        pieces_.push_back(Piece{Piece::Bytes, literals_.size(), b.size()});
    }
    literals_.append(b);
}

TReplaceTemplate::TReplaceTemplate(std::string_view text) : text_(text) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const size_t at = i;
        const char c = text[i];
        const char next = i + 1 < n ? text[i + 1] : '\0';
        const bool more = i + 1 < n;
        if (c == '\\' && more && (next == 'n' || next == 'r')) {
            // \r\n is one line end, as typed by habit for a Windows text.
            i += next == 'r' && text.substr(i + 2, 2) == "\\n" ? 4 : 2;
            pieces_.push_back(Piece{Piece::LineEnd});
        } else if (c == '\\' && more && (next == 't' || next == '\\')) {
            bytes(next == 't' ? "\t" : "\\");
            i += 2;
        } else if (c == '$' && more && (next == '$' || next == '&')) {
            if (next == '$') {
                bytes("$");
            } else {
                pieces_.push_back(Piece{Piece::Group});
            }
            i += 2;
        } else if (c == '$' && more && isDigit(next)) {
            int group = next - '0';
            i += 2;
            if (i < n && isDigit(text[i])) {
                group = group * 10 + (text[i++] - '0');
            }
            pieces_.push_back(Piece{Piece::Group, at, 0, group});
        } else if (c == '$' && next == '{') {
            const size_t close = text.find('}', i + 2);
            const std::string_view inner = close == std::string_view::npos
                                               ? std::string_view()
                                               : text.substr(i + 2, close - i - 2);
            bool name = !inner.empty() && !isDigit(inner.front());
            bool valid = !inner.empty();
            for (const char b : inner) {
                valid = valid && (name ? isNameByte(b) : isDigit(b));
            }
            if (!valid) {
                error_ = "${ needs a group number or name, then }";
                errorOffset_ = at;
                pieces_.clear();
                return;
            }
            if (name) {
                pieces_.push_back(Piece{Piece::Name, i + 2, inner.size()});
            } else {
                // Beyond any pattern's groups, however many digits: Bind says so.
                int group = 0;
                for (const char b : inner) {
                    group = group > 100000 ? group : group * 10 + (b - '0');
                }
                pieces_.push_back(Piece{Piece::Group, at, 0, group});
            }
            i = close + 1;
        } else {
            bytes(text.substr(i, 1));
            ++i;
        }
    }
}

bool TReplaceTemplate::Bind(const TRegexMatcher& matcher) {
    if (!error_.empty()) {
        return false;
    }
    groups_.clear();
    const int count = matcher.GroupCount();
    for (Piece& piece : pieces_) {
        if (piece.kind == Piece::Group && piece.group > count) {
            error_ = "No group " + std::to_string(piece.group) + " in the pattern";
            errorOffset_ = piece.from;
            return false;
        }
        if (piece.kind == Piece::Name) {
            const std::string_view name = std::string_view(text_).substr(piece.from, piece.length);
            const std::vector<int> groups = matcher.GroupsNamed(name);
            if (groups.empty()) {
                error_ = "No group named " + std::string(name) + " in the pattern";
                errorOffset_ = piece.from - 2;
                return false;
            }
            piece.group = static_cast<int>(groups_.size());
            piece.groups = static_cast<int>(groups.size());
            groups_.insert(groups_.end(), groups.begin(), groups.end());
        }
    }
    return true;
}

template <typename G>
void TReplaceTemplate::expand(G&& group, std::string_view lineEnd, std::string& out) const {
    for (const Piece& piece : pieces_) {
        switch (piece.kind) {
        case Piece::Bytes:
            out.append(literals_, piece.from, piece.length);
            break;
        case Piece::LineEnd:
            out.append(lineEnd);
            break;
        case Piece::Group:
            group(piece.group, out);
            break;
        case Piece::Name:
            // Of groups sharing a name, the first that took part.
            for (int k = 0; k < piece.groups; ++k) {
                if (group(groups_[static_cast<size_t>(piece.group + k)], out)) {
                    break;
                }
            }
            break;
        }
    }
}

void TReplaceTemplate::Expand(const TRegexMatcher& matcher, std::string_view subject,
                              std::string_view lineEnd, std::string& out) const {
    expand(
        [&](int n, std::string& to) {
            size_t start = 0;
            size_t end = 0;
            if (!matcher.Group(n, start, end)) {
                return false;
            }
            to.append(subject.substr(start, end - start));
            return true;
        },
        lineEnd, out);
}

std::string TReplaceTemplate::ExpandPlain(std::string_view whole, std::string_view lineEnd) const {
    std::string out;
    expand(
        [&](int n, std::string& to) {
            if (n != 0) {
                return false;
            }
            to.append(whole);
            return true;
        },
        lineEnd, out);
    return out;
}

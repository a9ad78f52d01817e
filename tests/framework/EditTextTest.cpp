#include "framework/ui/EditText.h"

#include "framework/Utf8.h"
#include "framework/ui/EditHistory.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using LineEnd = TEditText::LineEnd;
constexpr std::uint32_t kLeft = Qt::AlignLeft;

// The plain model: bytes, a format a byte, an alignment a line.
struct TModel {
    std::string bytes;
    std::vector<std::uint32_t> formats;
    std::vector<std::uint32_t> aligns{kLeft};
    bool unicode = false;
    bool operator==(const TModel&) const = default;
};

std::vector<std::size_t> lineStarts(const std::string& s) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n'))) {
            starts.push_back(i + 1);
        }
    }
    return starts;
}

std::size_t lineOf(const std::vector<std::size_t>& starts, std::size_t at) {
    return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), at) -
                                    starts.begin()) -
           1;
}

// Character starts, greedy from the front; a CR LF is one.
std::vector<std::size_t> charStarts(const std::string& s, bool unicode) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < s.size();) {
        out.push_back(i);
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            i += 2;
        } else {
            const int n = unicode ? Utf8::SequenceLength(s, i) : 1;
            i += n > 0 ? static_cast<std::size_t>(n) : 1;
        }
    }
    return out;
}

// The edits (sorted, apart) applied in one go; a line takes the alignment of
// the line its start came from, or within inserted bytes that of the line
// the edit starts in.
void apply(TModel& m, const std::vector<TByteEdit>& edits, const std::vector<std::uint32_t>& fmt) {
    TModel out;
    out.unicode = m.unicode;
    std::size_t at = 0;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const TByteEdit& e = edits[i];
        out.bytes += m.bytes.substr(at, e.From - at);
        out.formats.insert(out.formats.end(), m.formats.begin() + at, m.formats.begin() + e.From);
        out.bytes += e.Bytes;
        out.formats.insert(out.formats.end(), e.Bytes.size(), fmt[i]);
        at = e.To;
    }
    out.bytes += m.bytes.substr(at);
    out.formats.insert(out.formats.end(), m.formats.begin() + at, m.formats.end());
    const auto oldStarts = lineStarts(m.bytes);
    out.aligns.clear();
    for (const std::size_t s : lineStarts(out.bytes)) {
        std::int64_t shift = 0;
        std::size_t old = s;
        for (const TByteEdit& e : edits) {
            const auto ns = static_cast<std::size_t>(static_cast<std::int64_t>(e.From) + shift);
            if (ns > s) {
                break;
            }
            const std::size_t ne = ns + e.Bytes.size();
            old = s < ne ? e.From : e.To + (s - ne);
            shift += static_cast<std::int64_t>(e.Bytes.size()) -
                     static_cast<std::int64_t>(e.To - e.From);
        }
        out.aligns.push_back(m.aligns[lineOf(oldStarts, old)]);
    }
    m = out;
}

TModel modelOf(const TEditText& t) {
    TModel m{t.Bytes(), {}, {}, t.Unicode()};
    for (std::size_t i = 0; i < t.Size(); ++i) {
        m.formats.push_back(t.FormatIdAt(i));
    }
    for (std::size_t l = 0; l < t.LineCount(); ++l) {
        m.aligns.push_back(static_cast<std::uint32_t>(t.Alignment(l).toInt()));
    }
    return m;
}

// Every query against the model.
void expectLike(const TEditText& t, const TModel& m) {
    ASSERT_EQ(t.Bytes(), m.bytes);
    const auto starts = lineStarts(m.bytes);
    ASSERT_EQ(t.LineCount(), starts.size());
    for (std::size_t l = 0; l < starts.size(); ++l) {
        const std::size_t end = l + 1 < starts.size() ? starts[l + 1] : m.bytes.size();
        std::size_t body = end;
        LineEnd kind = LineEnd::None;
        if (l + 1 < starts.size()) {
            const bool crlf = end >= 2 && m.bytes[end - 2] == '\r' && m.bytes[end - 1] == '\n';
            kind = crlf ? LineEnd::CRLF : (m.bytes[end - 1] == '\r' ? LineEnd::CR : LineEnd::LF);
            body -= crlf ? 2 : 1;
        }
        ASSERT_EQ(t.LineStart(l), starts[l]) << l;
        ASSERT_EQ(t.LineBodyEnd(l), body) << l;
        ASSERT_EQ(t.LineEndKind(l), kind) << l;
        ASSERT_EQ(t.Alignment(l).toInt(), static_cast<int>(m.aligns[l])) << l;
        // The line's pieces, walked: at most kMaxPiece bytes of body each.
        for (std::size_t at = starts[l]; at < end;) {
            const auto piece = t.PieceAt(at);
            ASSERT_EQ(piece.from, at);
            ASSERT_LE(piece.to, end);
            ASSERT_EQ(piece.kind, piece.to == end ? kind : LineEnd::None);
            ASSERT_LE(std::min(piece.to, body) - piece.from, Shown::kMaxPiece);
            at = piece.to;
        }
    }
    ASSERT_EQ(t.OwnLineEnd(), starts.size() > 1 ? t.LineEndKind(0) : LineEnd::LF);
    const auto chars = charStarts(m.bytes, m.unicode);
    std::size_t c = 0;
    for (std::size_t b = 0; b <= m.bytes.size(); ++b) {
        const bool isStart = c < chars.size() && chars[c] == b;
        const bool inside = !isStart && b < m.bytes.size();
        const std::size_t back = inside ? chars[c - 1] : b;
        const std::size_t next = inside ? (c < chars.size() ? chars[c] : m.bytes.size()) : b;
        ASSERT_EQ(t.CharBoundary(b, false), back) << b;
        ASSERT_EQ(t.CharBoundary(b, true), next) << b;
        if (!inside && (c % 23 == 0 || b == m.bytes.size())) {
            ASSERT_EQ(t.CharsBetween(0, b), c) << b;
        }
        ASSERT_EQ(t.LineOf(b), lineOf(starts, b)) << b;
        if (b < m.bytes.size()) {
            ASSERT_EQ(t.FormatIdAt(b), m.formats[b]) << b;
        }
        c += isStart ? 1 : 0;
    }
}

const char kAlphabet[] = {'a',    'b',    '\r',   '\n',   '\xC3', '\xA9', '\xE2',
                          '\x82', '\xAC', '\xF0', '\x9F', '\0',   '\xFF'};

std::string randomBytes(std::mt19937& rng, std::size_t maxLength) {
    std::string out(rng() % (maxLength + 1), 'a');
    const bool long_ = rng() % 40 == 0;
    if (long_) {
        out.assign(4000 + rng() % 5000, 'x'); // more than a piece
        for (std::size_t i = 0; i + 2 < out.size(); i += 1 + rng() % 700) {
            out.replace(i, 2, "\xC3\xA9");
        }
        return out;
    }
    for (char& ch : out) {
        ch = kAlphabet[rng() % sizeof(kAlphabet)];
    }
    return out;
}

std::vector<TByteEdit> randomEdits(std::mt19937& rng, std::size_t size, std::size_t count) {
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < count * 2; ++i) {
        cuts.push_back(rng() % (size + 1));
    }
    std::sort(cuts.begin(), cuts.end());
    std::vector<TByteEdit> edits;
    for (std::size_t i = 0; i < cuts.size(); i += 2) {
        edits.push_back({cuts[i], cuts[i + 1], randomBytes(rng, 3)});
    }
    return edits;
}

} // namespace

// What undo and redo must bring back: bytes, formats and alignments always,
// every query on every fourth state (the queries were checked after each edit
// already; this keeps the test quick under the sanitizers).
void expectState(const TEditText& t, const TModel& m, std::size_t index) {
    if (index % 4 == 0) {
        expectLike(t, m);
        return;
    }
    ASSERT_EQ(t.Bytes(), m.bytes);
    ASSERT_EQ(t.LineCount(), m.aligns.size());
    for (std::size_t l = 0; l < m.aligns.size(); ++l) {
        ASSERT_EQ(t.Alignment(l).toInt(), static_cast<int>(m.aligns[l])) << l;
    }
    for (std::size_t b = 0; b < m.bytes.size(); ++b) {
        ASSERT_EQ(t.FormatIdAt(b), m.formats[b]) << b;
    }
}

// Random edits, formats and alignments, each checked against the model, then
// undone and redone through every state before.
TEST(EditTextTest, RandomEditsMatchTheModelAndUndoToEveryState) {
    for (const bool unicode : {false, true}) {
        std::mt19937 rng(unicode ? 7 : 3);
        TEditText text;
        TEditHistory history(text);
        text.Assign(std::string("ab\r\ncd\re\n\xC3\xA9\xE2\x82"), unicode);
        TModel model = modelOf(text);
        ASSERT_EQ(model.formats, std::vector<std::uint32_t>(text.Size(), 0));
        std::vector<TModel> states{model};
        QTextCharFormat bold;
        bold.setFontWeight(700);
        QTextCharFormat italic;
        italic.setFontItalic(true);
        std::size_t reported = 0;
        text.AddListener([&](const TEditText::TChange&) { ++reported; });
        for (int step = 0; step < 300; ++step) {
            const std::size_t size = model.bytes.size();
            const std::size_t from = rng() % (size + 1);
            const std::size_t to = std::min(size, from + rng() % 6);
            const int op = static_cast<int>(rng() % 10);
            history.Begin({from, to - from});
            reported = 0;
            if (op < 5) {
                const std::string bytes = randomBytes(rng, 4);
                const std::uint32_t id =
                    rng() % 3 == 0 ? text.InternFormat(bold) : text.InheritedFormat(from, to);
                text.Replace(from, to, bytes, id);
                apply(model, {{from, to, bytes}}, {id});
            } else if (op < 7) {
                const auto edits =
                    randomEdits(rng, size, op == 5 ? 1 + rng() % 5 : 64 + rng() % 40);
                std::vector<std::uint32_t> fmt;
                for (const TByteEdit& e : edits) {
                    fmt.push_back(model.formats.empty()
                                      ? 0
                                      : model.formats[e.To > e.From || e.From == 0
                                                          ? std::min(e.From, size - 1)
                                                          : e.From - 1]);
                }
                text.ReplaceRanges(edits);
                apply(model, edits, fmt);
            } else if (op == 7) {
                const bool changes = text.SetFormat(from, to, rng() % 2 ? bold : QTextCharFormat());
                const std::uint32_t id = text.FormatIdAt(from);
                bool any = false;
                for (std::size_t i = from; i < to; ++i) {
                    any = any || model.formats[i] != id;
                    model.formats[i] = id;
                }
                ASSERT_EQ(changes, any);
            } else if (op == 8) {
                text.MergeFormat(from, to, italic);
                for (std::size_t i = from; i < to; ++i) {
                    QTextCharFormat f = text.Format(model.formats[i]);
                    f.merge(italic);
                    model.formats[i] = text.InternFormat(f);
                }
            } else {
                const std::size_t first = rng() % model.aligns.size();
                const std::size_t last = std::min(model.aligns.size() - 1, first + rng() % 3);
                const std::uint32_t a = rng() % 2 ? Qt::AlignRight : Qt::AlignHCenter;
                text.SetAlignment(first, last, Qt::Alignment(static_cast<int>(a)));
                std::fill(model.aligns.begin() + first, model.aligns.begin() + last + 1, a);
            }
            history.End({from, 0});
            ASSERT_LE(reported, 1u) << "one report a change";
            ASSERT_NO_FATAL_FAILURE(expectLike(text, model)) << "step " << step << " op " << op;
            if (reported > 0) {
                states.push_back(model);
            }
        }
        // Back to every state, and forward again.
        for (std::size_t i = states.size() - 1; i-- > 0;) {
            ASSERT_TRUE(history.CanUndo());
            history.Undo();
            ASSERT_NO_FATAL_FAILURE(expectState(text, states[i], i)) << "undo to " << i;
        }
        ASSERT_FALSE(history.CanUndo());
        ASSERT_FALSE(history.Modified());
        for (std::size_t i = 1; i < states.size(); ++i) {
            history.Redo();
            ASSERT_NO_FATAL_FAILURE(expectState(text, states[i], i)) << "redo to " << i;
        }
        ASSERT_FALSE(history.CanRedo());
    }
}

// A text of many pieces, edited at and around where its pieces end (seen
// as the ends of line stretches that are no line end) with bytes that join
// across an end: every cut stays between characters and no piece shrinks
// below a quarter (so there are never many small ones).
TEST(EditTextTest, EditsAcrossPieceEdgesKeepThePiecesSound) {
    const std::vector<std::string> tokens = {"\r", "\n", "\xA9", "\xC3", "\xE2\x82", "\xAC", "ab"};
    for (const bool unicode : {false, true}) {
        std::mt19937 rng(unicode ? 11 : 5);
        const auto some = [&](std::size_t count) {
            std::string out;
            while (count-- > 0) {
                out += tokens[rng() % tokens.size()];
            }
            return out;
        };
        TEditText text;
        text.Assign(some(3 * Shown::kMaxPiece), unicode);
        TModel model = modelOf(text);
        for (int step = 0; step < 1000; ++step) {
            std::vector<std::size_t> edges{0};
            for (std::size_t at = 0; at < text.Size(); at = text.PieceAt(at).to) {
                const auto piece = text.PieceAt(at);
                if (piece.kind == LineEnd::None && piece.to < text.Size()) {
                    edges.push_back(piece.to);
                }
            }
            const std::size_t size = model.bytes.size();
            const std::size_t edge = edges[rng() % edges.size()];
            const std::size_t from =
                std::min(size, edge + rng() % 3 - std::min<std::size_t>(edge, 1));
            const std::size_t to =
                std::min(size, from + (rng() % 50 == 0 ? rng() % 6000 : rng() % 3));
            const std::string with = some(rng() % 3);
            const std::uint32_t id = text.InheritedFormat(from, to);
            text.Replace(from, to, with, id);
            apply(model, {{from, to, with}}, {id});
            ASSERT_LE(text.PieceCount(), text.Size() / (Shown::kMaxPiece / 4) + 2) << step;
            ASSERT_EQ(text.LineCount(), lineStarts(model.bytes).size()) << step;
            ASSERT_EQ(text.CharsBetween(0, text.Size()), charStarts(model.bytes, unicode).size())
                << step;
            if (step % 100 == 0 || step == 999) {
                ASSERT_NO_FATAL_FAILURE(expectLike(text, model)) << "step " << step;
            }
        }
    }
}

// Typing merges into one step while each character follows the one before;
// a line end, a moved caret or another kind of step ends it. The modified
// flag follows the saved state.
TEST(EditTextTest, TypingMergesAndModifiedFollowsTheSavedState) {
    TEditText text;
    TEditHistory history(text);
    text.Assign("ab", false);
    EXPECT_FALSE(history.Modified());
    const auto type = [&](std::size_t at, const char* bytes) {
        history.Begin({at, 0}, TEditHistory::Kind::Typing);
        text.Replace(at, at, bytes);
        history.End({at + 1, 0});
    };
    const auto backspace = [&](std::size_t at) {
        history.Begin({at, 0}, TEditHistory::Kind::Backspace);
        text.Replace(at - 1, at, "");
        history.End({at - 1, 0});
    };
    type(2, "c");
    type(3, "d");
    type(4, "e");
    EXPECT_TRUE(history.Modified());
    type(5, "\n"); // a step of its own, and the end of the run
    type(6, "f");
    type(7, "g");
    history.BreakMerge();
    type(8, "h");
    type(2, "X"); // elsewhere
    backspace(3);
    backspace(9);
    backspace(8);
    EXPECT_EQ(text.Bytes(), "abcde\nf");
    const std::vector<std::pair<std::string, std::size_t>> undos = {
        {"abcde\nfgh", 9}, {"abXcde\nfgh", 3}, {"abcde\nfgh", 2}, {"abcde\nfg", 8},
        {"abcde\n", 6},    {"abcde", 5},       {"ab", 2}};
    for (const auto& [bytes, caret] : undos) {
        const auto selection = history.Undo();
        EXPECT_EQ(text.Bytes(), bytes);
        EXPECT_EQ(selection.start, caret) << bytes;
    }
    EXPECT_FALSE(history.Modified());
    EXPECT_FALSE(history.CanUndo());
    history.Redo();
    EXPECT_EQ(text.Bytes(), "abcde");
    history.SetModified(false);
    type(5, "z"); // the saved state ends a run too
    EXPECT_TRUE(history.Modified());
    history.Undo();
    EXPECT_FALSE(history.Modified());
    text.Assign("new", false); // a load: nothing to undo
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.CanRedo());
}

// Large and odd texts: their lines, and a doubling by many edits undone.
TEST(EditTextTest, LargeAndOddTextsKeepTheirLines) {
    struct TCase {
        const char* name;
        std::string bytes;
        std::size_t lines;
        bool unicode;
    };
    std::string longLine;
    for (int i = 0; i < 1 << 20; ++i) {
        longLine += i % 3 == 0 ? "\xE2\x82\xAC" : "a"; // 3 MB, no line end
    }
    const std::vector<TCase> cases = {
        {"one long line", longLine, 1, true},
        {"a million empty lines", std::string(1000000, '\n'), 1000001, false},
        {"only CR", std::string(100000, '\r'), 100001, false},
        {"CR LF pairs", std::string(50000, '\r') + std::string(50000, '\n'), 100000, false},
        {"empty", "", 1, true},
    };
    for (const TCase& c : cases) {
        TEditText text;
        TEditHistory history(text);
        text.Assign(c.bytes, c.unicode);
        ASSERT_EQ(text.LineCount(), c.lines) << c.name;
        ASSERT_EQ(text.LineStart(c.lines - 1), lineStarts(c.bytes).back()) << c.name;
        ASSERT_EQ(text.CharsBetween(0, text.Size()), charStarts(c.bytes, c.unicode).size())
            << c.name;
        const std::size_t mid = text.CharBoundary(text.Size() / 2, false);
        ASSERT_EQ(text.LineOf(mid), lineOf(lineStarts(c.bytes), mid)) << c.name;
        // Doubling every 1000th character.
        std::vector<TByteEdit> edits;
        const auto chars = charStarts(c.bytes, c.unicode);
        for (std::size_t i = 0; i < chars.size(); i += 1000) {
            const std::size_t end = i + 1 < chars.size() ? chars[i + 1] : c.bytes.size();
            edits.push_back({chars[i], end,
                             c.bytes.substr(chars[i], end - chars[i]) +
                                 c.bytes.substr(chars[i], end - chars[i])});
        }
        history.Begin({0, 0});
        text.ReplaceRanges(edits);
        history.End({0, 0});
        TModel model{c.bytes, std::vector<std::uint32_t>(c.bytes.size(), 0),
                     std::vector<std::uint32_t>(c.lines, kLeft), c.unicode};
        apply(model, edits, std::vector<std::uint32_t>(edits.size(), 0));
        ASSERT_EQ(text.Bytes(), model.bytes) << c.name;
        ASSERT_EQ(text.LineCount(), lineStarts(model.bytes).size()) << c.name;
        history.Undo();
        ASSERT_EQ(text.Bytes(), c.bytes) << c.name;
        ASSERT_EQ(text.LineCount(), c.lines) << c.name;
        // And a whole doubling, every character.
        text.ReplaceRanges({{0, text.Size(), c.bytes + c.bytes}});
        ASSERT_EQ(text.Size(), 2 * c.bytes.size()) << c.name;
        history.Undo();
        ASSERT_EQ(text.Bytes(), c.bytes) << c.name;
    }
}

#pragma once

#include "framework/ByteEdit.h"
#include "framework/ui/GapBytes.h"
#include "framework/ui/RunList.h"
#include "framework/ui/ShownText.h"
#include "framework/ui/SumTree.h"

#include <QTextCharFormat>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One change as the history keeps it: applied to the text as it was, it
// makes the text as it became. Bytes: the edits (sorted, apart), the formats
// of all the bytes they insert, one after the other, and then the alignments
// of the lines from `alignFirst` on. Formats: the runs from byte `at` on.
// Alignments: the runs from line `alignFirst` on.
struct TEditPatch {
    enum class Kind : std::uint8_t { Bytes, Formats, Alignments };
    Kind kind = Kind::Bytes;
    std::vector<TByteEdit> edits;
    std::vector<TRunList::TRun> formats;
    std::size_t at = 0;
    std::size_t alignFirst = 0;
    std::vector<TRunList::TRun> alignments;
    // The one edit replaces the whole text. Applying it takes its bytes as
    // the text and leaves in it the text replaced, so that undo and redo of a
    // whole text pass one buffer back and forth instead of copying it.
    bool whole = false;
};

// Told of every change while it records: what undoes it and what redoes it.
class TEditRecorder {
public:
    virtual bool Recording() const = 0;
    virtual void Record(TEditPatch&& inverse, TEditPatch&& forward) = 0;
    // The text was loaded: nothing before can be undone.
    virtual void Loaded() = 0;

protected:
    ~TEditRecorder() = default;
};

// The text of a document, its character formats and paragraph alignments,
// with no widget. The bytes are Windows-1252 or UTF-8 and are kept exactly
// as given; positions are bytes.
//
// Lines end after CR LF, a lone CR or a lone LF; the last line has no line
// end. The bytes are cut into pieces of at most Shown::kMaxPiece bytes, each
// holding any number of lines and cut between characters (never inside a
// CR LF or a UTF-8 sequence), kept in a tree of running totals (bytes,
// characters, line ends): every query is O(log n) and a look into one piece,
// an edit O(log n) plus what it inserts and the pieces around it, which it
// cuts anew. In UTF-8 a character is a well-formed sequence or a single byte
// outside one (Utf8.h); a CR LF is one character.
//
// Formats are ids into a table of QTextCharFormat (id 0 the default), as runs
// over the bytes; alignments are runs over the lines.
class TEditText {
public:
    using LineEnd = Shown::LineEnd;
    using TRun = TRunList::TRun;

    // Lines [firstLine, firstLine + removedLines) of the text before became
    // [firstLine, firstLine + addedLines), as the bytes [from, from + removed)
    // became [from, from + added).
    struct TChange {
        std::size_t from = 0;
        std::size_t removed = 0;
        std::size_t added = 0;
        std::size_t firstLine = 0;
        std::size_t removedLines = 0;
        std::size_t addedLines = 0;
        bool formatOnly = false;
    };
    using TListener = std::function<void(const TChange&)>;

    // A stretch of one line: [from, to), its line end (if any) at its end.
    struct TPiece {
        std::size_t from = 0;
        std::size_t to = 0;
        LineEnd kind = LineEnd::None;
    };

    TEditText();
    TEditText(const TEditText&) = delete;
    TEditText& operator=(const TEditText&) = delete;

    bool Unicode() const { return unicode_; }
    std::size_t Size() const { return bytes_.Size(); }
    // The whole text in one piece; valid until the next edit.
    const std::string& Bytes() const { return bytes_.Contiguous(); }
    std::string Range(std::size_t from, std::size_t count) const {
        return bytes_.Range(from, count);
    }
    char At(std::size_t at) const { return bytes_.At(at); }
    // Valid until the next call of any kind.
    std::string_view View(std::size_t from, std::size_t count) const {
        return bytes_.View(from, count);
    }

    std::size_t LineCount() const { return static_cast<std::size_t>(pieces_.Total().breaks) + 1; }
    std::size_t LineOf(std::size_t byte) const;
    std::size_t LineStart(std::size_t line) const;
    // Where the line's body ends, before its line end.
    std::size_t LineBodyEnd(std::size_t line) const;
    LineEnd LineEndKind(std::size_t line) const;
    // The line end typed and pasted line breaks take: the text's first, LF
    // when it has none.
    LineEnd OwnLineEnd() const;
    static const char* LineEndBytes(LineEnd kind);
    // The stretch of the line holding the byte that lies in one piece, at
    // most Shown::kMaxPiece bytes (at the end, that of the last byte; an empty
    // one at 0 for an empty text). A line's stretches are walked from
    // LineStart by PieceAt(piece.to) until LineStart of the next line.
    TPiece PieceAt(std::size_t byte) const;
    // The pieces of the tree, each holding any number of lines.
    std::size_t PieceCount() const { return pieces_.Size(); }

    // The start of the character holding the byte, or with forward its end
    // unless the byte starts it.
    std::size_t CharBoundary(std::size_t byte, bool forward) const;
    // The characters between two character boundaries.
    std::size_t CharsBetween(std::size_t from, std::size_t to) const;

    std::uint32_t InternFormat(const QTextCharFormat& format);
    const QTextCharFormat& Format(std::uint32_t id) const { return formatTable_[id]; }
    // The format of the byte (at the end, of the last byte; 0 when empty).
    std::uint32_t FormatIdAt(std::size_t byte) const;
    const QTextCharFormat& FormatAt(std::size_t byte) const { return Format(FormatIdAt(byte)); }
    // What an insertion in place of [from, to) takes: the format of the first
    // byte it replaces, or of the byte before when it replaces none.
    std::uint32_t InheritedFormat(std::size_t from, std::size_t to) const;
    std::vector<TRun> FormatRuns(std::size_t from, std::size_t to) const {
        return formats_.RunsIn(from, to);
    }
    // False, changing nothing, when the range has the format already.
    bool SetFormat(std::size_t from, std::size_t to, const QTextCharFormat& format);
    bool MergeFormat(std::size_t from, std::size_t to, const QTextCharFormat& format);
    Qt::Alignment Alignment(std::size_t line) const;
    std::vector<TRun> AlignmentRuns(std::size_t firstLine, std::size_t endLine) const {
        return alignments_.RunsIn(firstLine, endLine);
    }
    bool SetAlignment(std::size_t firstLine, std::size_t lastLine, Qt::Alignment alignment);

    // The bytes [from, to) give way to `bytes` (which must not point into this
    // text). A line that starts within the inserted bytes takes the alignment
    // of the line the edit starts in; any other keeps that of the line its
    // start came from.
    void Replace(std::size_t from, std::size_t to, std::string_view bytes, std::uint32_t formatId);
    void Replace(std::size_t from, std::size_t to, std::string_view bytes) {
        Replace(from, to, bytes, InheritedFormat(from, to));
    }
    // Many edits (sorted, apart) as one change, each insertion taking its
    // InheritedFormat; many of them in one pass over the text.
    void ReplaceRanges(const std::vector<TByteEdit>& edits);
    // The whole text, one run of the default format, left aligned. A load is
    // not undoable and clears the history.
    void Assign(std::string bytes, bool unicode, bool load = true);
    // The whole text becomes as many bytes, each keeping its format, and the
    // lines their alignments while their count stays; one undoable change.
    void Overwrite(std::string bytes);
    // Whether the bytes from `at` on are `bytes`.
    bool Holds(std::size_t at, std::string_view bytes) const { return bytes_.Equals(at, bytes); }

    // Changes made between these are reported as one, at the end.
    void BeginChange();
    void EndChange();

    // Applies a recorded change (the history's undo and redo); a whole
    // patch is left holding the text it replaced.
    void Apply(TEditPatch& patch);
    void SetRecorder(TEditRecorder* recorder) { recorder_ = recorder; }

    // Listeners are told of every change once it is made.
    std::size_t AddListener(TListener listener);
    void RemoveListener(std::size_t id);

private:
    void assignWhole(std::string bytes, bool unicode, bool load, bool keepFormats);
    struct Piece {
        std::uint32_t bytes;
        std::uint32_t chars;  // a CR LF counted as one
        std::uint32_t breaks; // its line ends
    };
    struct PieceTotals {
        using Item = Piece;
        struct Sum {
            std::int64_t bytes = 0;
            std::int64_t chars = 0;
            std::int64_t breaks = 0;
        };
        static Sum Of(const Piece& p) { return {p.bytes, p.chars, p.breaks}; }
        static Sum Add(const Sum& a, const Sum& b) {
            return {a.bytes + b.bytes, a.chars + b.chars, a.breaks + b.breaks};
        }
    };
    using Pieces = TSumTree<PieceTotals>;

    struct LineEndAt {
        std::size_t bodyEnd;
        std::size_t end;
        LineEnd kind;
    };

    Pieces::Hit pieceHit(std::size_t byte) const;
    // Where the line's body and its line end end; Size() and None for the last.
    LineEndAt lineEnd(std::size_t line) const;
    bool recording() const { return recorder_ != nullptr && recorder_->Recording(); }
    bool isLineStart(std::size_t at) const;

    // Cuts bytes whose first byte starts a character, that end at a
    // character boundary and hold no CR LF cut in two into pieces: full ones
    // for a load, or with `even` of about equal size.
    void cut(std::string_view bytes, std::vector<Piece>& out, bool even) const;
    std::uint32_t countChars(std::string_view body) const;

    // The pieces of an edit within one piece, four bytes or more inside it:
    // counted anew around the edit only; false when it must be cut anew.
    bool updatePiece(std::size_t index, std::size_t from, std::size_t to, std::string_view bytes);
    // The pieces [first, lastPiece), the bytes [regionFrom, regionTo), cut
    // anew with as many neighbours as keep the cuts between characters and
    // the pieces at least a quarter full; and the edit made in the bytes.
    void recut(std::size_t first, std::size_t lastPiece, std::size_t regionFrom,
               std::size_t regionTo, std::size_t from, std::size_t to, std::string_view bytes);
    // The edit itself, its inserted bytes taking the runs (of total length
    // bytes.size()); reports into the pending change.
    void replace(std::size_t from, std::size_t to, std::string_view bytes, const TRun* runs,
                 std::size_t runCount);
    // EditTextBatch.cpp: edits in one pass, the inserted bytes taking the
    // runs one after the other, or each its InheritedFormat when none.
    void replaceAll(const std::vector<TByteEdit>& edits, const std::vector<TRun>* runs);
    void replaceEach(const std::vector<TByteEdit>& edits, const std::vector<TRun>* runs);

    void report(const TChange& change);

    TGapBytes bytes_;
    Pieces pieces_;
    TRunList formats_;
    TRunList alignments_;
    std::vector<QTextCharFormat> formatTable_;
    bool unicode_ = false;
    TEditRecorder* recorder_ = nullptr;
    std::vector<std::pair<std::size_t, TListener>> listeners_;
    std::size_t nextListener_ = 1;
    int changeDepth_ = 0;
    bool changePending_ = false;
    TChange pending_;
};

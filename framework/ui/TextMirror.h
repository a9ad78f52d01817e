#pragma once

#include "framework/ui/GapBytes.h"
#include "framework/ui/SumTree.h"

#include <QObject>
#include <QString>
#include <QTextCharFormat>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QTextCursor;
class QTextDocument;
class TProgress;
struct TByteEdit;

// Keeps a byte copy of an edit control's document in step with it.
//
// The document shows the bytes as ShownText.h describes (a Windows-1252 or
// a UTF-8 text), except that every line end (CR LF, a lone CR or a lone LF)
// is one paragraph break; the break's character format records which of the
// three it stands for, so undo, cut and paste inside the document carry it
// along.
//
// The bytes live in a gap buffer. They are cut into pieces that end at each
// line end and are at most a few kilobytes long; the bytes and document
// characters of each piece are kept in a tree of running totals, so an edit
// costs the same whatever the size of the text, and positions map between
// bytes and the document in O(log n) and a walk through one piece.
class TTextMirror : public QObject {
    Q_OBJECT
public:
    enum LineEnd : std::uint8_t { LF = 0, CRLF = 1, CR = 2, None = 3 };

    explicit TTextMirror(QTextDocument& document);

    // Whether the bytes are UTF-8 (else Windows-1252). Set only right before
    // the whole text is replaced, since the pieces are cut by it.
    bool Unicode() const { return unicode_; }
    void SetUnicode(bool unicode);

    // The whole text in one piece: free until the next edit, then one copy
    // within the buffer. Valid until the next edit.
    const std::string& Bytes() const { return bytes_.Contiguous(); }
    int Size() const { return static_cast<int>(bytes_.Size()); }
    std::string Range(int from, int count) const;
    // Counts every change of the bytes; lets selections cached in bytes
    // notice that the text moved under them.
    std::uint64_t Revision() const { return revision_; }

    int DocToByte(int docPos) const;
    // The byte where a block of the document starts.
    int BlockByteStart(int blockNumber) const;
    // A byte inside a CR LF maps to the break itself; one inside a character
    // to the character (with roundUp, to the position after it).
    int ByteToDoc(int bytePos, bool roundUp = false) const;
    // The start of the character holding the byte (with forward, the end of
    // it unless the byte starts it): positions that never split a character.
    int CharBoundary(int bytePos, bool forward) const;
    // The characters of the text between two bytes that start characters.
    int CharsBetween(int from, int to) const;

    // The line end a typed or pasted break takes: the first one of the text,
    // LF when it has none.
    LineEnd OwnLineEnd() const;
    static const char* LineEndBytes(LineEnd kind);

    // Replaces the bytes [from, to) with the given bytes as one undo step.
    // Afterwards the caret of the returned cursor stands after the insertion.
    QTextCursor ReplaceBytes(int from, int to, std::string_view bytes);

    // TextMirrorBatch.cpp: many edits (sorted, apart) as one undo step, each
    // insertion taking the format of the text it replaces; and an overwrite by
    // as many bytes, each character keeping its format (false, changing
    // nothing, when a line end would change). With `bulk`, undoing it is a
    // whole-text change.
    void ReplaceRanges(const std::vector<TByteEdit>& edits, bool bulk);
    bool OverwriteBytes(int from, std::string_view bytes, bool bulk);

    // Replaces everything; neither undoable nor reported when loading.
    // Tells the progress, if one is given, how much is in.
    void ReplaceAll(std::string_view bytes, bool loading, TProgress* progress = nullptr);
    // Appends bytes as a load: not undoable, not reported.
    void AppendLoaded(std::string_view bytes, TProgress* progress = nullptr);
    // Runs a document rebuild (RTF load) as a load or as one undo step.
    template <typename F> void Rebuild(bool loading, F&& build);

    // True while the last change was a whole-text replacement, so that undoing
    // it is a whole-text change too.
    bool LastChangeWasBulk() const { return lastBulk_; }
    void ForgetBulk() { lastBulk_ = false; }

    // Character format that marks a break as the given line end.
    static void MarkLineEnd(QTextCharFormat& format, LineEnd kind);
    static LineEnd LineEndOf(const QTextCharFormat& format);

    // Windows-1252 bytes <-> the characters the document shows for them
    // (line ends excluded).
    static QChar Display(unsigned char byte);
    static int FromDisplay(char32_t ch); // -1: no byte
    // User input (typing, pasting) into bytes: unrepresentable characters
    // become "?", and line breaks of any kind the text's own line end.
    std::string FromUserText(const QString& text) const;
    // Bytes as plain text for the clipboard: line ends kept, controls shown.
    QString ToUserText(std::string_view bytes) const;
    // The bytes of document text as the document holds it (QTextCursor::
    // selectedText, breaks as U+2029 taking `lineEnd`), literals looked up
    // from `from`, the text's first document position.
    std::string BytesOfShown(const QString& shown, int from, std::string_view lineEnd) const;

signals:
    void Changed();
    // The formats changed and the bytes did not (the program's own byte
    // replacements and loads excepted).
    void FormatChanged();

private:
    // A piece of the text: its bytes and document characters, line end
    // included, and the line end it ends with (None inside a paragraph).
    struct Piece {
        std::uint32_t bytes;
        std::uint32_t units;
        std::uint32_t pairs; // characters shown as surrogate pairs
        LineEnd kind;
    };
    struct PieceTotals {
        using Item = Piece;
        struct Sum {
            std::int64_t bytes = 0;
            std::int64_t units = 0;
            std::int64_t breaks = 0;
            std::int64_t pairs = 0;
        };
        static Sum Of(const Piece& p) {
            return {p.bytes, p.units, p.kind == None ? 0 : 1, p.pairs};
        }
        static Sum Add(const Sum& a, const Sum& b) {
            return {a.bytes + b.bytes, a.units + b.units, a.breaks + b.breaks, a.pairs + b.pairs};
        }
    };
    using Pieces = TSumTree<PieceTotals>;

    struct Pending {
        int byteFrom = 0;
        int byteTo = 0;
        std::string_view bytes;
        bool active = false;
    };

    // New bytes for a stretch and the structure the document gives them.
    struct Fresh;

    void onContentsChange(int from, int removed, int added);
    void insertSegments(QTextCursor& cursor, std::string_view bytes, const QTextCharFormat& base,
                        TProgress* progress = nullptr);
    void resyncAll();
    void beginLoad();
    void endLoad();
    // The bytes of document characters [from, from + count), with the line
    // ends and the cuts the document's characters ask for.
    void extract(int from, int count, int firstBlock, Fresh& out) const;
    // Puts the fresh bytes in place of [byteFrom, byteTo).
    void applyEdit(int byteFrom, int byteTo, Fresh& fresh);
    Pieces::Hit pieceAtDoc(int docPos) const;
    Pieces::Hit pieceAtByte(int bytePos) const;
    // Within one piece: the byte offset of a unit offset, and back.
    int unitToByteIn(const Pieces::Hit& hit, int units) const;
    int byteToUnitIn(const Pieces::Hit& hit, int bytes, bool roundUp) const;
    std::string_view pieceBytes(const Pieces::Hit& hit) const;
    // Surrogate pairs shown before the byte.
    std::int64_t pairsBefore(int bytePos) const;

    QTextDocument& doc_;
    TGapBytes bytes_;
    Pieces pieces_;
    int docLength_ = 0; // characters, without the final break
    std::uint64_t revision_ = 0;
    Pending pending_;
    bool loading_ = false;
    bool lastBulk_ = false;
    bool unicode_ = false;
};

template <typename F> void TTextMirror::Rebuild(bool loading, F&& build) {
    if (loading) {
        beginLoad();
    }
    build();
    if (loading) {
        endLoad();
    }
    lastBulk_ = !loading;
}

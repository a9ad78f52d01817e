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
// The document holds one character per byte, except that every line end
// (CR LF, a lone CR or a lone LF) is one paragraph break; the break's
// character format records which of the three it stands for, so undo, cut
// and paste inside the document carry it along. Control bytes are shown as
// the Unicode control pictures, so a NUL is visible.
//
// The bytes live in a gap buffer and each paragraph's length and line end in
// a tree of running totals, so an edit costs the same whatever the size of
// the text, and positions map between bytes and the document in O(log n).
class TTextMirror : public QObject {
    Q_OBJECT
public:
    enum LineEnd : std::uint8_t { LF = 0, CRLF = 1, CR = 2, None = 3 };

    explicit TTextMirror(QTextDocument& document);

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
    // A byte inside a CR LF maps to the break itself.
    int ByteToDoc(int bytePos) const;

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

    // Bytes <-> the characters the document shows for them (line ends excluded).
    static QChar Display(unsigned char byte);
    static int FromDisplay(char32_t ch); // -1: no byte
    // User input (typing, pasting) into bytes: unrepresentable characters
    // become "?", and line breaks of any kind the text's own line end.
    std::string FromUserText(const QString& text) const;
    // Bytes as plain text for the clipboard: line ends kept, controls shown.
    static QString ToUserText(std::string_view bytes);

signals:
    void Changed();
    // The formats changed and the bytes did not (the program's own byte
    // replacements and loads excepted).
    void FormatChanged();

private:
    // A paragraph: its bytes, line end included, and which line end it is.
    struct Paragraph {
        std::uint32_t bytes;
        LineEnd kind;
    };
    struct ParagraphTotals {
        using Item = Paragraph;
        struct Sum {
            std::int64_t bytes = 0;
            std::int64_t crlf = 0;
        };
        static Sum Of(const Paragraph& p) { return {p.bytes, p.kind == CRLF ? 1 : 0}; }
        static Sum Add(const Sum& a, const Sum& b) { return {a.bytes + b.bytes, a.crlf + b.crlf}; }
    };
    using Paragraphs = TSumTree<ParagraphTotals>;

    struct Pending {
        int byteFrom = 0;
        int byteTo = 0;
        std::string_view bytes;
        bool active = false;
    };

    void onContentsChange(int from, int removed, int added);
    void insertSegments(QTextCursor& cursor, std::string_view bytes, const QTextCharFormat& base,
                        TProgress* progress = nullptr);
    void resyncAll();
    void beginLoad();
    void endLoad();
    // The bytes of document characters [from, from + count), the paragraphs
    // they make (the last one without its line end) added to `paragraphs`.
    std::string extract(int from, int count, int firstBlock,
                        std::vector<Paragraph>& paragraphs) const;
    // The paragraph holding a document position / a byte, with the totals before it.
    Paragraphs::Hit paragraphAtDoc(int docPos) const;
    Paragraphs::Hit paragraphAtByte(int bytePos) const;

    QTextDocument& doc_;
    TGapBytes bytes_;
    Paragraphs paragraphs_; // one per block of the document
    int docLength_ = 0;     // characters, without the final break
    std::uint64_t revision_ = 0;
    Pending pending_;
    bool loading_ = false;
    bool lastBulk_ = false;
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

#pragma once

#include <QObject>
#include <QSizeF>
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
class TTextMirror : public QObject {
    Q_OBJECT
public:
    enum LineEnd : std::uint8_t { LF = 0, CRLF = 1, CR = 2, None = 3 };

    explicit TTextMirror(QTextDocument& document);

    const std::string& Bytes() const { return bytes_; }
    // Counts every change of the bytes; lets selections cached in bytes
    // notice that the text moved under them.
    std::uint64_t Revision() const { return revision_; }

    int DocToByte(int docPos) const;
    // The byte where a block of the document starts.
    int BlockByteStart(int blockNumber, int blockPosition) const {
        return blockPosition + extra_[static_cast<size_t>(blockNumber)];
    }
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
    // nothing, when a line end would change). With `bulk` the caller holds
    // the layout back (TDeferredLayout), and undoing is a whole-text change.
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
    void rebuildLineIndex(int fromBlock);
    void beginLoad();
    void endLoad();
    std::string extract(int from, int count, int firstBlock,
                        std::vector<std::uint8_t>& kinds) const;

    QTextDocument& doc_;
    std::string bytes_;
    std::vector<std::uint8_t> kind_; // per block: the line end that ends it
    std::vector<int> extra_;         // per block: CR LF breaks before it
    int docLength_ = 0;              // characters, without the final break
    std::uint64_t revision_ = 0;
    Pending pending_;
    bool loading_ = false;
    bool lastBulk_ = false;
};

// Holds back the layout of a document during a change of the whole text. A
// change that is laid out as it happens lays out every line at once (seconds
// for a big text); this way the view lays it out lazily, from the top, as it
// does for a freshly set text.
class TDeferredLayout {
public:
    explicit TDeferredLayout(QTextDocument& document);
    ~TDeferredLayout();
    TDeferredLayout(const TDeferredLayout&) = delete;
    TDeferredLayout& operator=(const TDeferredLayout&) = delete;

private:
    QTextDocument& doc_;
    QSizeF saved_;
};

template <typename F> void TTextMirror::Rebuild(bool loading, F&& build) {
    TDeferredLayout deferred(doc_);
    if (loading) {
        beginLoad();
    }
    build();
    if (loading) {
        endLoad();
    }
    lastBulk_ = !loading;
}

#pragma once

#include "framework/TextEncoding.h"
#include "framework/ui/Font.h"

#include <QBasicTimer>
#include <QPoint>
#include <QTextEdit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TProgress;
class TEditLayout;
class TTextMirror;
struct TByteEdit;
struct TRtfInsertion;
namespace Rtf {
struct Document;
}

enum class TParaAlignment { Left, Right, Center };

// The rich edit control of a document window, over QTextEdit.
//
// Texts are byte strings in the document code page, and the control is
// byte-exact: what is set is given back by Text() byte for byte (lone CR,
// lone LF, CR LF, NUL and every other byte), and every position counts bytes
// of Text(), so a CR LF is two positions.
class TRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent = nullptr);
    ~TRichEdit() override;

    // The whole text. Setting it replaces the text as one undo step.
    const std::string& Text() const;
    void SetText(std::string_view bytes);
    int TextLength() const;
    // Empties the text (one undo step).
    void Clear();

    // The encoding of the document's file. In a Windows-1252 document the
    // text is the file's bytes; in a Unicode one it is UTF-8. Setting it
    // converts the text when it goes between the two (a character
    // Windows-1252 cannot hold becomes "?"), which starts the undo history
    // afresh; between Unicode encodings the text stays as it is.
    TEncoding Encoding() const { return encoding_; }
    void SetEncoding(TEncoding encoding);
    // The odd last byte of a UTF-16 file, written back after the text; -1: none.
    int OddLastByte() const { return oddLastByte_; }
    void SetOddLastByte(int byte) { oddLastByte_ = byte; }

    // Appends the bytes as loaded from a file: not reported as a change and
    // not undoable (the undo history starts afresh). Tells the progress, if
    // one is given, how much is in.
    void AppendLoaded(std::string_view bytes, TProgress* progress = nullptr);

    int SelStart() const;
    // Collapses the selection to the position.
    void SetSelStart(int position);
    int SelLength() const;
    // Extends the selection from SelStart and scrolls the caret into view.
    void SetSelLength(int length);
    std::string SelText() const;
    // Replaces the selection (or inserts at the caret); afterwards nothing is
    // selected and the caret stands after the inserted text.
    void SetSelText(std::string_view bytes);

    // RichEditReplace.cpp: edits of Text() (sorted, apart) as one undo step,
    // keeping the formats around them, the caret then at `caret` of the new
    // text; and the selection overwritten by as many bytes, each character
    // keeping its format, the caret then after it.
    void ReplaceRanges(const std::vector<TByteEdit>& edits, int caret);
    void OverwriteSelection(std::string_view bytes);
    // The line end a typed break inserts: the text's first, LF when it has none.
    const char* OwnLineEndBytes() const;

    // (column, line), zero-based, of the end of the selection.
    QPoint CaretPos() const;

    // The first match starting in [start, start + length) (length < 0: to the
    // end), or -1; its length in bytes in `matchLength`, which in a Unicode
    // document may differ from the text's. Without matchCase letters compare
    // through the code page's case tables, or in a Unicode document by
    // Unicode case folding; a whole word has no letter, digit or "_" beside
    // it. See TTextSearch.
    int FindText(std::string_view text, int start, int length, bool wholeWord, bool matchCase,
                 int* matchLength = nullptr) const;

    void CopyToClipboard();
    void PasteFromClipboard();
    void SelectAll();
    bool CanUndo() const;
    // Undoes the last action when one can be undone.
    void Undo();
    bool CanRedo() const;
    // Does again the last action undone, when there is one.
    void Redo();

    // Aligns the paragraphs the selection touches (OnFormatChange when one
    // of them changes).
    void SetParagraphAlignment(TParaAlignment alignment);
    TParaAlignment ParagraphAlignment() const;

    // Character format of the selection (at the caret: of the text typed
    // next, which is no change of the document).
    TFont SelAttributes() const;
    void SetSelAttributes(const TFont& font);

    // The control's base font.
    TFont BaseFont() const;
    void SetBaseFont(const TFont& font);

    bool WordWrap() const;
    void SetWordWrap(bool wrap);
    // Both scroll bars always shown, or shown as needed; the horizontal one
    // is hidden while the text wraps.
    void SetScrollBars(bool both);

    // Reads RTF when the file is RTF, else plain text; raises EFOpenError.
    // Like AppendLoaded, not reported as a change. True when it was RTF.
    // Plain text takes the encoding DetectEncoding finds (`fallback` when
    // nothing decides), or the one given as `forced`.
    bool LoadFromFile(const std::string& fileName, TProgress* progress = nullptr,
                      TEncoding fallback = TEncoding::Windows1252,
                      const TEncoding* forced = nullptr);
    // Writes RTF; raises EFCreateError, leaving any old file intact.
    void SaveToFile(const std::string& fileName, TProgress* progress = nullptr) const;
    // The rich text of the whole document, as SaveToFile writes it.
    std::string RtfText() const;
    // Replaces the document with the rich text (one undo step).
    void SetRtfText(std::string_view rtf);

    // Prints the whole text on the default printer through the platform
    // seam; empty when it went out, else the system's reason.
    QString Print(const QString& jobTitle);

signals:
    // The text changed (by the user or the program).
    void OnChange();
    // The text's formats changed (alignment, fonts; also by undo), the text
    // did not. Loads are not reported.
    void OnFormatChange();
    // Encoding() changed.
    void OnEncodingChange();
    void OnKeyUp(QKeyEvent* event);
    void OnMouseDown(QMouseEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    struct ByteSelection;
    bool cachedSelection(ByteSelection& out) const;
    void selectBytes(int start, int length, bool scroll);
    template <typename F> void changeWholeText(F&& change);
    // The rich text as a load: the document's whole text, in how.unicode.
    void loadRich(const Rtf::Document& rich, const TRtfInsertion& how);
    // The encoding as a load finds it: the text is already in it.
    void setEncodingQuietly(TEncoding encoding);
    // Text typed next does not take a literal character's format.
    void forgetLiteralFormat();

    // A paragraph above the view changed its height as it was laid out: the
    // view moves with it, so the text shown stays where it is.
    void keepViewOnText(qreal y, qreal delta);

    // RichEditLongLines.cpp. The toolkit places the caret by a paragraph's
    // own whole layout, which a long paragraph never has: where the caret is
    // in one, its rectangle, its movement and its repaints come from ours.
    void routeCaretRequests();
    Q_SLOT void showCaretRect(const QRectF& rect);
    Q_SLOT void repaintCaretRect(const QRectF& rect);
    bool moveInLongParagraph(QKeyEvent* event);
    // A lone modifier key there, which the toolkit needs not see.
    bool modifierInLongParagraph(const QKeyEvent* event) const;
    // Typing, Backspace and Delete there, with `text` as typed.
    bool editInLongParagraph(QKeyEvent* event, const QString& text);
    // Where the last run of typing there ended, to undo it as one step.
    int typedEnd_ = -1;
    int typedRevision_ = -1;
    // The caret's blink in a long paragraph, where the toolkit's blink
    // would lay the paragraph out whole each time.
    void restartBlink();
    QObject* textControl_ = nullptr;
    QBasicTimer blink_;
    bool caretOn_ = true;
    // The x that moves up and down keep to.
    qreal goalX_ = -1;

    // Lays out what is shown; owned by the document.
    TEditLayout* layout_;
    bool painting_ = false;
    std::unique_ptr<TTextMirror> mirror_;
    // The selection as last set in bytes; it can hold half a CR LF, which the
    // document's own cursor cannot.
    std::unique_ptr<ByteSelection> selection_;
    TEncoding encoding_ = TEncoding::Windows1252;
    int oddLastByte_ = -1;
};

#pragma once

#include "framework/TextEncoding.h"
#include "framework/ui/Font.h"
#include "framework/ui/ParaAlignment.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QPointer>
#include <QTextCharFormat>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QMimeData;
class TEditHistory;
class TEditText;
class TEditTextSource;
class TLineLayout;
class TProgress;
struct TByteEdit;
struct TLinePos;

// The edit control of a document window, drawn from the text model
// (TEditText, with its own undo) through the layout (TLineLayout), with no
// toolkit document: every step costs O(log n) plus what is shown.
//
// Its interface is TRichEdit's: texts are byte strings in the document code
// page, byte-exact, and every position counts bytes of Text(), so a CR LF is
// two positions (the caret never stops between them).
class TEditControl : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TEditControl(QWidget* parent = nullptr);
    ~TEditControl() override;

    // The whole text; valid until the next change. Setting it replaces the
    // text as one undo step; the text it already holds is no change (nothing
    // reported, no undo step).
    const std::string& Text() const;
    void SetText(std::string_view bytes);
    int TextLength() const;
    // Empties the text (one undo step) and marks it unmodified.
    void Clear();

    // As TRichEdit's: a change between Windows-1252 and Unicode converts the
    // text, formats kept ("?" for what Windows-1252 cannot hold), and starts
    // the history afresh.
    TEncoding Encoding() const { return encoding_; }
    void SetEncoding(TEncoding encoding);
    int OddLastByte() const { return oddLastByte_; }
    void SetOddLastByte(int byte) { oddLastByte_ = byte; }

    // Appends the bytes as loaded from a file: not reported as a change and
    // not undoable (the history starts afresh). Into an empty text the bytes
    // are taken, not copied.
    void AppendLoaded(std::string bytes, TProgress* progress = nullptr);

    int SelStart() const;
    // Collapses the selection to the position.
    void SetSelStart(int position);
    int SelLength() const;
    // Extends the selection from SelStart and scrolls the caret into view.
    void SetSelLength(int length);
    std::string SelText() const;
    // Replaces the selection (or inserts at the caret), one undo step; the
    // caret then stands after the inserted text.
    void SetSelText(std::string_view bytes);

    // Edits of Text() (sorted, apart) as one undo step, the caret then at
    // `caret` of the new text; and the selection overwritten by as many
    // bytes, each character keeping its format.
    void ReplaceRanges(const std::vector<TByteEdit>& edits, int caret);
    void OverwriteSelection(std::string bytes);
    // The line end a typed break inserts: the text's first, LF when it has none.
    const char* OwnLineEndBytes() const;

    // (column, line), zero-based, of the end of the selection.
    QPoint CaretPos() const;

    // As TRichEdit::FindText (TTextSearch over Text()).
    int FindText(std::string_view text, int start, int length, bool wholeWord, bool matchCase,
                 int* matchLength = nullptr) const;

    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void SelectAll();
    bool CanUndo() const;
    void Undo();
    bool CanRedo() const;
    void Redo();

    void SetParagraphAlignment(TParaAlignment alignment);
    TParaAlignment ParagraphAlignment() const;

    // Character format of the selection (at the caret: of the text typed
    // next, which is no change of the document).
    TFont SelAttributes() const;
    void SetSelAttributes(const TFont& font);

    // True when every selected byte has one format (what a case change
    // asks before it replaces the selection in one piece).
    bool SelectionHasOneFormat() const;

    TFont BaseFont() const;
    void SetBaseFont(const TFont& font);

    bool WordWrap() const;
    void SetWordWrap(bool wrap);
    // Both scroll bars always shown, or shown as needed; the horizontal one
    // is hidden while the text wraps.
    void SetScrollBars(bool both);

    // EditControlFile.cpp, as TRichEdit's: RTF or plain text read (not
    // reported as a change), RTF written, printing through the platform.
    bool LoadFromFile(const std::string& fileName, TProgress* progress = nullptr,
                      TEncoding fallback = TEncoding::Windows1252,
                      const TEncoding* forced = nullptr);
    void SaveToFile(const std::string& fileName, TProgress* progress = nullptr) const;
    std::string RtfText() const;
    void SetRtfText(std::string_view rtf);
    QString Print(const QString& jobTitle);

    // What the program uses of QTextEdit.
    bool isReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);
    bool tabChangesFocus() const { return tabChangesFocus_; }
    void setTabChangesFocus(bool b) { tabChangesFocus_ = b; }
    bool isModified() const;
    void setModified(bool modified);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // For tests and measurements: the layout under the control.
    TLineLayout& Layout() { return *layout_; }

signals:
    void OnChange();
    void OnFormatChange();
    void OnEncodingChange();
    void OnKeyUp(QKeyEvent* event);
    void OnMouseDown(QMouseEvent* event);
    void cursorPositionChanged();
    void selectionChanged();

protected:
    // EditControlInput.cpp
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool event(QEvent* event) override;
    // EditControlMouse.cpp
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // EditControlClipboard.cpp
    virtual bool canInsertFromMimeData(const QMimeData* source) const;
    virtual void insertFromMimeData(const QMimeData* source);
    virtual QMimeData* createMimeDataFromSelection() const;
    // EditControlView.cpp
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Caret and anchor, bytes of the text, never inside a character (the
    // program may set them between the halves of a CR LF).
    struct TSelectionState {
        std::size_t anchor = 0;
        std::size_t caret = 0;
        std::size_t Start() const { return std::min(anchor, caret); }
        std::size_t End() const { return std::max(anchor, caret); }
    };
    enum class Unit { Char, Word, Line };

    // EditControl.cpp: the selection and edits.
    TLinePos toPos(std::size_t byte) const;
    std::size_t toByte(const TLinePos& pos) const;
    std::size_t boundary(std::size_t byte, bool forward) const;
    // Moves the selection, telling who listens; `extend` keeps the anchor.
    void select(std::size_t anchor, std::size_t caret, bool scroll = true);
    void moveCaret(std::size_t caret, bool extend);
    // One command's edits as one undo step: [from, to) become `bytes`.
    void replaceSelection(std::string_view bytes, int kind);
    void replace(std::size_t from, std::size_t to, std::string_view bytes, int kind);
    void deleteRange(std::size_t from, std::size_t to, int kind);
    void typeText(const QString& text);
    // The format of the text at the caret, which what is typed there takes.
    std::uint32_t caretFormatId() const;
    void afterUndo(std::size_t start, std::size_t length);
    void textChanged(const void* change);
    // EditControlFile.cpp: the whole text afresh (a load or a conversion),
    // the caret at the top; the encoding as a load finds it.
    void loadWhole(const std::function<void()>& load);
    void setEncodingQuietly(TEncoding encoding);
    // EditControlClipboard.cpp: the X11 selection offers what is selected
    // until the selection goes, and then what was.
    void setPrimarySelection();
    void settlePrimarySelection();

    // EditControlView.cpp
    void relayout();
    void syncPageWidth();
    void updateScrollBars();
    void ensureCaretVisible();
    void keepViewOnText(qreal below, qreal delta);
    void restartBlink();
    void repaintCaret();
    QPointF toDocument(const QPoint& viewportPoint) const;
    QRectF caretRect() const;

    // EditControlInput.cpp
    bool moveByKey(QKeyEvent* event);
    bool editByKey(QKeyEvent* event);
    void pageStep(bool down, bool extend);
    // EditControlMouse.cpp
    void selectByUnit(std::size_t byte, bool extend);
    void autoScroll();

    std::unique_ptr<TEditText> text_;
    std::unique_ptr<TEditHistory> history_;
    std::unique_ptr<TEditTextSource> source_;
    std::unique_ptr<TLineLayout> layout_;
    TSelectionState selection_;
    // The format the text typed next takes, set at the caret.
    std::optional<QTextCharFormat> typingFormat_;
    TEncoding encoding_ = TEncoding::Windows1252;
    int oddLastByte_ = -1;
    bool readOnly_ = false;
    bool tabChangesFocus_ = false;
    bool painting_ = false;
    // The width the layout was given last, -1 for none.
    int pageWidth_ = -1;

    // The x that moves up and down keep to.
    qreal goalX_ = -1;
    QBasicTimer blink_;
    bool caretOn_ = true;

    // Mouse: what a drag selects by, from where; a press inside the
    // selection may start dragging it.
    Unit dragUnit_ = Unit::Char;
    std::size_t dragFrom_ = 0;
    std::size_t dragTo_ = 0;
    bool selecting_ = false;
    bool mayDrag_ = false;
    QPoint pressPoint_;
    QBasicTimer autoScroll_;
    QBasicTimer tripleClick_;
    QPoint tripleClickPoint_;
    std::optional<std::size_t> dropAt_;

    QPointer<QMimeData> primary_;

    // Input method: the text being composed, shown at the caret.
    QString preedit_;
    int preeditCursor_ = 0;
};

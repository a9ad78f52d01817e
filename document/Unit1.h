#pragma once

#include <QMdiSubWindow>
#include <string>

class QLabel;
class TDocumentHost;
class TRichEdit;

// How a document window's text goes to its file on File Save.
enum class TDocumentFormat { PlainText, RichText };

// A document window: one MDI child holding one text in its edit control,
// the caret label and the changed flag.
class TfrmNew : public QMdiSubWindow {
    Q_OBJECT
public:
    // Creates the window in the host's MDI area, shown, at top 60, empty and
    // unchanged.
    explicit TfrmNew(TDocumentHost& host);
    ~TfrmNew() override;

    // The caption: a file name as the system gives it (byte for byte), or
    // "Untitled" with the window's number. The title bar shows it decoded.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    // The caret label, "Cursor: column,line".
    QLabel& Label1() const { return *label1_; }
    // The hidden changed flag: its caption is exactly "true" or "false".
    QLabel& Changed() const { return *changed_; }
    TRichEdit& Edit1() const { return *edit1_; }

    // Anything but "false" counts as changed.
    bool IsChanged() const;
    void SetChanged(bool changed);

    // Whether the text was loaded or last saved as rich text or as plain
    // text; a new window is plain text.
    TDocumentFormat Format() const { return format_; }
    void SetFormat(TDocumentFormat format);

    // Refreshes the caret label from the end of the selection. Done at once
    // after a key release or a mouse press, and from the event loop after any
    // other change of the caret, the selection or the text.
    void UpdateCaretLabel();

    // Asks, for a changed window, whether to save; false when the close is
    // refused.
    bool CloseQuery();

    // True once the window has been closed; it is destroyed when control
    // returns to the event loop.
    bool IsClosed() const { return closed_; }

signals:
    // The caption or the format changed: the file the document is read from
    // and written to, or how.
    void OnFileChange();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void caretMoved();

    TDocumentHost& host_;
    std::string caption_;
    QLabel* label1_;
    QLabel* changed_;
    TRichEdit* edit1_;
    TDocumentFormat format_ = TDocumentFormat::PlainText;
    bool closed_ = false;
    bool labelPending_ = false;
};

// The window's caption shown as text: file names are decoded as the system's,
// control characters (a line break) shown as their pictures.
QString DisplayName(const std::string& fileName);

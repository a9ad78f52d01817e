#include "document/Unit1.h"

#include "document/DocumentHost.h"
#include "document/EncodingCommands.h"
#include "framework/ui/Application.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>

namespace {
const QString FlagFalse = QStringLiteral("false");
const QString FlagTrue = QStringLiteral("true");
} // namespace

QString DisplayName(const std::string& fileName) {
    QString name =
        QFile::decodeName(QByteArray(fileName.data(), static_cast<qsizetype>(fileName.size())));
    // A line break or other control in a name would break the title bar and
    // the status line apart: it is shown as its picture.
    for (QChar& ch : name) {
        if (ch.unicode() < 0x20) {
            ch = QChar(0x2400 + ch.unicode());
        } else if (ch.unicode() == 0x7F) {
            ch = QChar(0x2421);
        }
    }
    return name;
}

TfrmNew::TfrmNew(TDocumentHost& host) : host_(host), caption_("Untitled") {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmNew"));
    setWindowTitle(DisplayName(caption_));

    auto* client = new QWidget;
    label1_ = new QLabel(QStringLiteral("Cursor: 1,1"), client);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(0, 0, 51, 13);
    label1_->adjustSize();
    changed_ = new QLabel(FlagFalse, client);
    changed_->setObjectName(QStringLiteral("Changed"));
    changed_->setGeometry(229, 0, 22, 13);
    changed_->hide();
    edit1_ = new TRichEdit(client);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(6, 16, 338, 168);
    edit1_->SetWordWrap(false);
    edit1_->setTabChangesFocus(false);
    edit1_->setContextMenuPolicy(Qt::CustomContextMenu);
    edit1_->SetEncoding(NewDocumentEncoding());
    setWidget(client);

    connect(edit1_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* menu = host_.DocumentPopupMenu()) {
            menu->popup(edit1_->viewport()->mapToGlobal(pos));
        }
    });
    connect(edit1_, &TRichEdit::OnChange, this, [this] { SetChanged(true); });
    // A change of alignment or fonts is lost on closing just as a change of text is.
    connect(edit1_, &TRichEdit::OnFormatChange, this, [this] { SetChanged(true); });
    connect(edit1_, &TRichEdit::OnKeyUp, this, [this](QKeyEvent*) { UpdateCaretLabel(); });
    connect(edit1_, &TRichEdit::OnMouseDown, this, [this](QMouseEvent*) { UpdateCaretLabel(); });
    // Whatever else moves the caret or the selection, or changes the text
    // before them (Find Next, Replace, Undo, a tag, a case change), is
    // followed too.
    connect(edit1_, &TRichEdit::cursorPositionChanged, this, &TfrmNew::caretMoved);
    connect(edit1_, &TRichEdit::selectionChanged, this, &TfrmNew::caretMoved);
    connect(edit1_, &TRichEdit::OnChange, this, &TfrmNew::caretMoved);

    // The system's default place and size: the MDI area places the window,
    // three quarters of the area in size; then its top goes below the panel.
    QMdiArea& area = host_.DocumentArea();
    const QSize areaSize = area.viewport()->size();
    resize(std::max(357, areaSize.width() * 3 / 4), std::max(215, areaSize.height() * 3 / 4));
    area.addSubWindow(this);
    show();

    edit1_->Clear();
    move(x(), host_.DocumentTop());
    edit1_->SetScrollBars(true);
    edit1_->resize(width() - 20, height() - 50);
    SetChanged(false);
    host_.DocumentsChanged();
}

TfrmNew::~TfrmNew() = default;

void TfrmNew::SetCaption(const std::string& caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    setWindowTitle(DisplayName(caption_));
    emit OnFileChange();
}

void TfrmNew::SetFormat(TDocumentFormat format) {
    if (format == format_) {
        return;
    }
    format_ = format;
    emit OnFileChange();
}

bool TfrmNew::IsChanged() const {
    return changed_->text() != FlagFalse;
}

void TfrmNew::SetChanged(bool changed) {
    changed_->setText(changed ? FlagTrue : FlagFalse);
}

void TfrmNew::UpdateCaretLabel() {
    const QPoint caret = edit1_->CaretPos();
    label1_->setText(QStringLiteral("Cursor: %1,%2").arg(caret.x() + 1).arg(caret.y() + 1));
    label1_->adjustSize();
}

void TfrmNew::caretMoved() {
    // Read once the change is over, not from inside it: an edit of many
    // ranges moves the caret many times, and its bytes settle at the end.
    if (labelPending_) {
        return;
    }
    labelPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            labelPending_ = false;
            UpdateCaretLabel();
        },
        Qt::QueuedConnection);
}

bool TfrmNew::CloseQuery() {
    if (!IsChanged()) {
        return true;
    }
    const TModalResult answer = Platform().MessageBox(
        nullptr, QStringLiteral("Do you want to save?\n") + windowTitle(),
        QStringLiteral("ATTENTION!"), TMsgButtons::YesNoCancel, TMsgIcon::None);
    switch (answer) {
    case TModalResult::Yes:
        // Saved under its file name, or through Save As; the window closes
        // whether or not Save As chose a file. A save that fails raises, and
        // the close is refused so the text is not lost.
        host_.SaveDocument(*this);
        return true;
    case TModalResult::No:
        return true;
    default:
        return false;
    }
}

void TfrmNew::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    // A maximized or minimized window is placed by the MDI area itself.
    if (!isMaximized() && !isMinimized() && y() != host_.DocumentTop()) {
        move(x(), host_.DocumentTop());
    }
    const int frameHeight = window()->frameGeometry().height();
    // A window about as tall as the frame (a maximized one) leaves more room
    // below its edit control.
    const int editHeight = frameHeight - height() > 50 ? height() - 50 : height() - 130;
    edit1_->resize(width() - 20, editHeight);
    edit1_->update();
}

void TfrmNew::closeEvent(QCloseEvent* event) {
    bool allowed = false;
    Application().Dispatch([&] { allowed = CloseQuery(); });
    if (!allowed) {
        event->ignore();
        return;
    }
    closed_ = true;
    QMdiSubWindow::closeEvent(event);
    host_.DocumentsChanged();
}

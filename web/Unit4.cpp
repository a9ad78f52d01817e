#include "web/Unit4.h"

#include "document/EncodingCommands.h"
#include "document/PlainFile.h"
#include "document/Unit1.h"
#include "framework/SysUtils.h"
#include "framework/ui/Application.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"
#include "net/Nmhttp.h"
#include "web/DialogFont.h"
#include "web/WebHost.h"
#include "web/WebRequests.h"
#include "web/WebText.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <algorithm>

TfrmImport* frmImport = nullptr;

namespace {

// What a Cancel left in the document, said in bytes.
QString partialImportText(const TNMHTTP& http) {
    const QString received = QString::fromStdString(IntToStr(http.BytesRecvd));
    if (http.BytesTotal > 0) {
        return QStringLiteral("Import cancelled: the document holds the first %1 of the %2 bytes.")
            .arg(received, QString::fromStdString(IntToStr(http.BytesTotal)));
    }
    return QStringLiteral("Import cancelled: the document holds the first %1 bytes received.")
        .arg(received);
}

} // namespace

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    showPosition();
}

void TProgressBar::SetMax(int max) {
    busy_ = false;
    max_ = std::max(max, 0);
    position_ = std::min(position_, max_);
    showPosition();
}

void TProgressBar::ShowBytes(int received, int total) {
    busy_ = total <= 0;
    max_ = std::max(total, 0);
    position_ = std::clamp(received, 0, max_);
    showPosition();
}

void TProgressBar::showPosition() {
    if (busy_) {
        setRange(0, 0); // drawn as a busy bar
        return;
    }
    // The system draws a range of 0 to 0 empty.
    setRange(0, std::max(max_, 1));
    setValue(max_ == 0 ? 0 : position_);
}

TfrmImport::TfrmImport(QWidget* owner, TWebHost& host)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      host_(host) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Importing from Web"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    setFont(DialogFont());
    setFixedSize(433, 152);

    label1_ = new QLabel(QStringLiteral(" URL Assdress "), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setAutoFillBackground(true);
    QPalette lime = label1_->palette();
    lime.setColor(QPalette::Window, Qt::black);
    lime.setColor(QPalette::WindowText, QColor(0x00, 0xFF, 0x00));
    label1_->setPalette(lime);
    label1_->move(8, 16);
    label1_->adjustSize();

    edit1_ = new QLineEdit(this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(8, 40, 417, 21);
    // A long URL is sent as pasted, not cut at the control's usual 32767.
    edit1_->setMaxLength(1 << 20);

    button1_ = new QPushButton(QStringLiteral("&Import"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setGeometry(184, 80, 75, 17);
    button1_->setDefault(true);
    button1_->setToolTip(QStringLiteral("Import the File from the Web"));
    button1_->setStatusTip(button1_->toolTip());

    button2_ = new QPushButton(QStringLiteral("&Cancel"), this);
    button2_->setObjectName(QStringLiteral("Button2"));
    button2_->setGeometry(288, 80, 75, 17);
    button2_->setAutoDefault(false);
    button2_->setToolTip(QStringLiteral("Abort Importing"));
    button2_->setStatusTip(button2_->toolTip());

    label2_ = new QLabel(QStringLiteral("Importing Status"), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->move(8, 104);
    label2_->adjustSize();

    progressBar_ = new TProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar"));
    progressBar_->setGeometry(8, 120, 150, 16);

    setTabOrder(edit1_, button1_);
    setTabOrder(button1_, button2_);
    setTabOrder(button2_, progressBar_);

    connect(button1_, &QPushButton::clicked, this,
            [this] { Application().Dispatch([this] { Button1Click(); }); });
    connect(button2_, &QPushButton::clicked, this,
            [this] { Application().Dispatch([this] { Button2Click(); }); });
    frmImport = this;
}

TfrmImport::~TfrmImport() {
    if (frmImport == this) {
        frmImport = nullptr;
    }
}

void TfrmImport::ShowImport(TfrmNew* made) {
    if (made != made_) {
        dropUnusedWindow();
        made_ = made;
    }
    if (!isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
    raise();
    activateWindow();
    edit1_->setFocus();
    edit1_->selectAll();
}

void TfrmImport::Button1Click() {
    TfrmNew* target = host_.ActiveDocumentWindow();
    if (!target) {
        // Every document window was closed after the dialog opened: the
        // import gets a new one, as the command that opened the dialog did.
        target = host_.NewDocumentWindow();
        made_ = target;
    }
    host_.CurrentDocumentRef() = target;
    TNMHTTP& http = host_.Http();
    TWebRequests& requests = host_.Requests();
    const std::string url = edit1_->text().toStdString();
    // Hidden by Cancel or closed during the wait, the dialog leaves no
    // window behind that got nothing, whether the import failed or not.
    const auto leftover = qScopeGuard([this] {
        if (!isVisible()) {
            dropUnusedWindow();
        }
    });
    {
        // An Import pressed while a request runs is refused by the client;
        // the bar stays with the running one.
        const bool ownsBar = !requests.Running();
        if (ownsBar) {
            importing_ = true;
            progressBar_->ShowBytes(0, 0); // busy until a length is announced
        }
        const auto endBar = qScopeGuard([&] {
            if (ownsBar) {
                importing_ = false;
                progressBar_->SetMax(http.BytesTotal);
            }
        });
        requests.Run([&] { http.Get(url); });
    }

    const bool canceled = requests.Ended();
    // Canceled before any of the body came: there is nothing to import.
    if (!canceled || http.BytesRecvd > 0) {
        RequireSuccess(http);
        if (!canceled) {
            RequireWholeBody(http);
        }
        // Another command run during the wait may have pointed
        // CurrentDocument elsewhere; the body goes there. A window closed
        // meanwhile gets nothing.
        TfrmNew* window = host_.CurrentDocumentRef();
        if (window && !window->IsClosed()) {
            // The reply's charset when it names a Unicode one, else the body's
            // bytes decide, as a file's do.
            const TEncoding encoding =
                ImportEncoding(http.Header, http.Body, NewDocumentEncoding());
            // Taken out of the client, so a large body is not held twice.
            SetTextFromBytes(window->Edit1(), std::exchange(http.Body, std::string()), encoding);
            if (window == made_) {
                made_ = nullptr;
            }
            if (canceled && !(http.BytesTotal > 0 && http.BytesRecvd >= http.BytesTotal)) {
                Platform().MessageBox(parentWidget(), partialImportText(http), windowTitle(),
                                      TMsgButtons::Ok, TMsgIcon::Information);
            }
        }
    }
    hide();
}

void TfrmImport::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // During a transfer the import itself decides, once it is over.
    if (!event->spontaneous() && !host_.Requests().Running()) {
        dropUnusedWindow();
    }
}

void TfrmImport::dropUnusedWindow() {
    TfrmNew* window = made_;
    made_ = nullptr;
    if (window && !window->IsClosed() && window->Edit1().TextLength() == 0 &&
        !window->IsChanged()) {
        window->close();
    }
}

void TfrmImport::PacketReceived(const TNMHTTP& http) {
    if (importing_) {
        progressBar_->ShowBytes(http.BytesRecvd, http.BytesTotal);
    }
}

void TfrmImport::Button2Click() {
    host_.Requests().End();
    hide();
}

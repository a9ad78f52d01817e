#include "framework/ui/Application.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/ui/Platform.h"

#include <QApplication>
#include <QEvent>
#include <QStatusTipEvent>
#include <QStringDecoder>
#include <new>

namespace {
TApplication* theApplication = nullptr;

// Messages are byte strings; those that name files carry the system's UTF-8,
// the rest the document code page.
QString messageText(const std::string& message) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(message.data(), static_cast<qsizetype>(message.size())));
    return utf8.hasError() ? CodePage::ToQString(message) : text;
}
} // namespace

TApplication::TApplication() {
    theApplication = this;
    // Status tips (menu items, buttons) are the hints of this program.
    qApp->installEventFilter(this);
}

TApplication::~TApplication() {
    if (qApp) {
        qApp->removeEventFilter(this);
    }
    if (theApplication == this) {
        theApplication = nullptr;
    }
}

TApplication& Application() {
    Q_ASSERT(theApplication);
    return *theApplication;
}

void TApplication::SetTitle(const QString& title) {
    title_ = title;
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(title);
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::SetHint(const QString& hint) {
    if (hint == hint_) {
        return;
    }
    hint_ = hint;
    emit OnHint(hint_);
}

bool TApplication::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        SetHint(static_cast<QStatusTipEvent*>(event)->tip());
        // The hint event is the one place hints go; keep Qt from also
        // writing them into a status bar on its own.
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TApplication::Dispatch(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        ShowException(Exception("Out of memory"));
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

QString TApplication::ErrorBoxText(const std::string& message) {
    QString text = messageText(message);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.'))) {
        text += QLatin1Char('.');
    }
    return text;
}

void TApplication::ShowException(const std::exception& error) {
    const auto* own = dynamic_cast<const Exception*>(&error);
    const std::string message = own ? own->Message() : std::string(error.what());
    Platform().MessageBox(nullptr, ErrorBoxText(message), title_, TMsgButtons::Ok, TMsgIcon::Stop);
}

int TApplication::Run() {
    return QApplication::exec();
}

#include "framework/ui/Dialogs.h"
#include "framework/ui/Platform.h"

#include <QColorDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTextDocument>

namespace {

class TQtPlatform : public TPlatform {
public:
    TModalResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                            TMsgButtons buttons, TMsgIcon icon) override {
        QMessageBox box(owner);
        SetUpMessageBox(box, text, title, buttons, icon);
        switch (box.exec()) {
        case QMessageBox::Ok:
            return TModalResult::Ok;
        case QMessageBox::Yes:
            return TModalResult::Yes;
        case QMessageBox::No:
            return TModalResult::No;
        default:
            return buttons == TMsgButtons::Ok ? TModalResult::Ok : TModalResult::Cancel;
        }
    }

    bool OpenDialog(QWidget* parent, TFileDialogRequest& request) override {
        return runFileDialog(parent, request, false);
    }

    bool SaveDialog(QWidget* parent, TFileDialogRequest& request) override {
        return runFileDialog(parent, request, true);
    }

    bool FontDialog(QWidget* parent, TFont& font) override {
        TFontDialog dialog(parent);
        dialog.SetFont(font);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        font = dialog.Font();
        return true;
    }

    bool ColorDialog(QWidget* parent, std::uint32_t& color) override {
        const QColor chosen = QColorDialog::getColor(QColor::fromRgb(color), parent);
        if (!chosen.isValid()) {
            return false;
        }
        color = chosen.rgb() & 0xFFFFFFu;
        return true;
    }

    void ShellOpen(const std::string& target, std::function<void()> failed) override {
        // Owned by nobody: an opener still running when the program ends (one
        // that waits for the program it started) is left to go on, not killed.
        auto* opener = new QProcess;
        opener->setProcessChannelMode(QProcess::ForwardedChannels);
        opener->setStandardInputFile(QProcess::nullDevice());
        QObject::connect(opener, &QProcess::finished, opener,
                         [opener, failed](int code, QProcess::ExitStatus status) {
                             // xdg-open hands off and ends at once; a status
                             // other than 0 says nothing could open the target.
                             if (status != QProcess::NormalExit || code != 0) {
                                 failed();
                             }
                             opener->deleteLater();
                         });
        // Queued: a start that fails at once is told from the event loop too.
        QObject::connect(
            opener, &QProcess::errorOccurred, opener,
            [opener, failed](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) {
                    failed();
                    opener->deleteLater();
                }
            },
            Qt::QueuedConnection);
        // One argument, never a shell: the target cannot smuggle in commands.
        opener->start(QStringLiteral("xdg-open"), {QString::fromStdString(target)});
    }

    bool PrinterAvailable() override { return !QPrinterInfo::defaultPrinter().isNull(); }

    QString Print(const QTextDocument& document, const QString& jobTitle) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(jobTitle);
        if (!printer.isValid()) {
            return QStringLiteral("The printer %1 cannot be used").arg(printer.printerName());
        }
        document.print(&printer);
        if (printer.printerState() == QPrinter::Error ||
            printer.printerState() == QPrinter::Aborted) {
            return QStringLiteral("The print job could not be started on %1")
                .arg(printer.printerName());
        }
        return {};
    }

private:
    static bool runFileDialog(QWidget* parent, TFileDialogRequest& request, bool save) {
        TFileDialog dialog(parent, request, save);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return false;
        }
        dialog.TakeChoice(request);
        return true;
    }
};

} // namespace

std::unique_ptr<TPlatform> MakeQtPlatform() {
    return std::make_unique<TQtPlatform>();
}

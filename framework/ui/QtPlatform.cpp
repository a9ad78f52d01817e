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

    bool ShellOpen(const std::string& target) override {
        // One argument, never a shell: the target cannot smuggle in commands.
        return QProcess::startDetached(QStringLiteral("xdg-open"),
                                       {QString::fromStdString(target)});
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

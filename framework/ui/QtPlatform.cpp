#include "framework/ui/Platform.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QTextDocument>

namespace {

// "Text Files (*.txt)|*.txt|..." into Qt's name filters. Descriptions stay as
// the program wrote them; the patterns Qt needs go in brackets at the end.
QStringList nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        const QString suffix = QLatin1Char('(') + patterns + QLatin1Char(')');
        out << (parts[i].endsWith(suffix) ? parts[i] : parts[i] + QLatin1Char(' ') + suffix);
    }
    return out;
}

bool runFileDialog(QWidget* parent, TFileDialogRequest& request, bool save) {
    QFileDialog dialog(parent, request.Title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(
        save ? QFileDialog::AnyFile
             : (request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    // The program asks nothing before overwriting; it saves safely instead.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = nameFilters(request.Filter);
    dialog.setNameFilters(filters);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    }
    if (!request.FileName.empty()) {
        dialog.selectFile(QString::fromStdString(request.FileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    request.FileNames.clear();
    for (const QString& name : dialog.selectedFiles()) {
        request.FileNames.push_back(name.toStdString());
    }
    request.FileName = request.FileNames.front();
    const qsizetype index = filters.indexOf(dialog.selectedNameFilter());
    request.FilterIndex = index >= 0 ? static_cast<int>(index) + 1 : request.FilterIndex;
    return true;
}

class TQtPlatform : public TPlatform {
public:
    TModalResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                            TMsgButtons buttons, TMsgIcon icon) override {
        QMessageBox box(owner);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case TMsgIcon::None:
            break;
        case TMsgIcon::Stop:
            box.setIcon(QMessageBox::Critical);
            break;
        case TMsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case TMsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case TMsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        }
        switch (buttons) {
        case TMsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case TMsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case TMsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case TMsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
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
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font.ToQFont(), parent);
        if (ok) {
            TFont result = TFont::FromQFont(chosen, font.Color);
            result.Charset = font.Charset;
            font = result;
        }
        return ok;
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

    bool Print(const QTextDocument& document, const QString& jobTitle) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(jobTitle);
        if (!printer.isValid()) {
            return false;
        }
        document.print(&printer);
        return true;
    }
};

} // namespace

std::unique_ptr<TPlatform> MakeQtPlatform() {
    return std::make_unique<TQtPlatform>();
}

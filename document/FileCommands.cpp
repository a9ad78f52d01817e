#include "document/FileCommands.h"

#include "document/DocumentHost.h"
#include "document/Unit1.h"
#include "framework/Exceptions.h"
#include "framework/Files.h"
#include "framework/Progress.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"

#include <QMdiArea>
#include <algorithm>
#include <new>

const QString TFileCommands::OpenTitle = QStringLiteral("Open File with Pennivale");
const QString TFileCommands::OpenFilter = QStringLiteral(
    "Text Files (*.txt)|*.txt|html, htm (*.html, *.htm)|*.html;*.htm|C/C++ Files (*.c, *.cpp, "
    "*.h)|*.c;*.cpp;*.h|RichText Files (*.rtf)|*.rtf|All Files (*.*)|*.*");
const QString TFileCommands::SaveTitle = QStringLiteral("Save File with Pennivale");
const QString TFileCommands::SaveFilter = QStringLiteral(
    "Text Files (*.txt)|*.txt|html, htm (*.html, *.htm)|*.html;*.htm|C/C++ Files (*.c, "
    "*.cpp)|*.c;*.cpp|RichText Format (*.rtf)|*.rtf|All Files (*.*)|*.*");

namespace {
const QString FilePrefix = QStringLiteral("File: ");

// Rethrows a file error of the layer below with the system's reason added.
[[noreturn]] void raiseWithReason(const Exception& error) {
    const std::string reason = LastFileErrorReason();
    throw Exception(reason.empty() ? error.Message() : error.Message() + ": " + reason);
}

[[noreturn]] void raiseOutOfMemory(const std::string& fileName) {
    throw Exception("Not enough memory to open file " + fileName);
}

bool endsWithNoCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        return lower(a) == lower(b);
    });
}
} // namespace

bool IsRealFilePath(const std::string& fileName) {
    return !fileName.empty() && fileName[0] == '/';
}

std::string WithTypeExtension(const std::string& fileName, int filterIndex) {
    std::string extension;
    switch (filterIndex) {
    case ftText:
        extension = ".txt";
        break;
    case ftHtml:
        extension = ".html";
        break;
    case ftCpp:
        extension = ".cpp";
        break;
    case ftRichText:
        extension = ".rtf";
        break;
    default:
        return fileName;
    }
    return endsWithNoCase(fileName, extension) ? fileName : fileName + extension;
}

TFileCommands::TFileCommands(TDocumentHost& host) : host_(host) {}

std::optional<std::string> TFileCommands::askFileName(TFileDialog dialog, const QString& title,
                                                      const QString& filter,
                                                      TDialogChoice& choice) {
    TFileDialogRequest request;
    request.Title = title;
    request.Filter = filter;
    request.FilterIndex = choice.filterIndex;
    request.FileName = choice.fileName;
    // Several files may be chosen to open; only the first is taken.
    request.MultiSelect = dialog == &TPlatform::OpenDialog;
    if (!(Platform().*dialog)(host_.DocumentArea().window(), request)) {
        return std::nullopt;
    }
    choice = {request.FilterIndex, request.FileName};
    return request.FileName;
}

TfrmNew* TFileCommands::createWindow() {
    auto* window = new TfrmNew(host_);
    window->move(window->x(), host_.DocumentTop());
    window->Edit1().Clear();
    window->Edit1().SetScrollBars(true);
    return window;
}

TfrmNew* TFileCommands::FileNew() {
    TfrmNew* window = createWindow();
    ++windowCounter_;
    window->SetCaption(window->Caption() + std::to_string(windowCounter_));
    window->Edit1().resize(window->width() - 28, window->height() - 47);
    window->show();
    window->raise();
    host_.DocumentArea().setActiveSubWindow(window);
    window->Edit1().setFocus();
    host_.SetStatusText(QString());
    return window;
}

TfrmNew* TFileCommands::FileOpen() {
    const std::optional<std::string> chosen =
        askFileName(&TPlatform::OpenDialog, OpenTitle, OpenFilter, open_);
    if (!chosen) {
        return nullptr;
    }

    TfrmNew* window = createWindow();
    window->Edit1().resize(window->width() - 20, window->height() - 50);
    host_.DocumentArea().setActiveSubWindow(window);
    window->Edit1().setFocus();
    const std::string& fileName = *chosen;
    if (open_.filterIndex == ftRichText) {
        try {
            TProgressJob job(host_.LoadSaveProgress());
            TProgressStep all = job.Step(0.0, 1.0);
            // A file that is not rich text loads, and later saves, as plain text.
            const bool rich = window->Edit1().LoadFromFile(fileName, all.get());
            window->SetFormat(rich ? TDocumentFormat::RichText : TDocumentFormat::PlainText);
        } catch (const EFOpenError& error) {
            raiseWithReason(error);
        } catch (const std::bad_alloc&) {
            window->Edit1().Clear();
            raiseOutOfMemory(fileName);
        }
        window->SetCaption(fileName);
    } else {
        LoadPlainFile(fileName, *window);
    }
    return window;
}

void TFileCommands::LoadPlainFile(const std::string& fileName, TfrmNew& window) {
    TProgressJob job(host_.LoadSaveProgress());
    std::string bytes;
    try {
        TProgressStep reading = job.Step(0.0, 0.15);
        bytes = ReadFileBytes(fileName, reading.get());
    } catch (const EFOpenError& error) {
        raiseWithReason(error);
    } catch (const std::bad_alloc&) {
        raiseOutOfMemory(fileName);
    }
    const std::string oldCaption = window.Caption();
    window.SetCaption(fileName);
    host_.SetStatusText(FilePrefix + DisplayName(fileName));
    try {
        TProgressStep inserting = job.Step(0.15, 1.0);
        window.Edit1().AppendLoaded(bytes, inserting.get());
        window.SetFormat(TDocumentFormat::PlainText);
    } catch (const std::bad_alloc&) {
        // Abandon this load only: the window goes back to what it was.
        bytes = std::string();
        window.Edit1().Clear();
        window.SetCaption(oldCaption);
        raiseOutOfMemory(fileName);
    }
}

void TFileCommands::FileSave(TfrmNew& window) {
    showSaved(window, WriteDocument(window.Caption(), window));
}

void TFileCommands::showSaved(TfrmNew& window, const std::string& fileName) {
    window.SetCaption(fileName);
    host_.SetStatusText(FilePrefix + DisplayName(fileName));
}

std::optional<std::string> TFileCommands::FileSaveAs(TfrmNew& window) {
    const std::optional<std::string> chosen =
        askFileName(&TPlatform::SaveDialog, SaveTitle, SaveFilter, save_);
    if (!chosen) {
        return std::nullopt;
    }
    // The type chosen here decides the format, and the window keeps it for File Save.
    const TDocumentFormat format =
        save_.filterIndex == ftRichText ? TDocumentFormat::RichText : TDocumentFormat::PlainText;
    const std::string fileName =
        writeAs(WithTypeExtension(*chosen, save_.filterIndex), window, format);
    showSaved(window, fileName);
    return fileName;
}

std::string TFileCommands::WriteDocument(const std::string& fileName, TfrmNew& window) {
    return writeAs(fileName, window, window.Format());
}

std::string TFileCommands::writeAs(const std::string& fileName, TfrmNew& window,
                                   TDocumentFormat format) {
    if (!IsRealFilePath(fileName)) {
        return FileSaveAs(window).value_or(fileName);
    }
    try {
        TProgressJob job(host_.LoadSaveProgress());
        TProgressStep all = job.Step(0.0, 1.0);
        if (format == TDocumentFormat::RichText) {
            window.Edit1().SaveToFile(fileName, all.get());
        } else {
            WriteFileBytes(fileName, window.Edit1().Text(), all.get());
        }
    } catch (const EFCreateError& error) {
        raiseWithReason(error);
    }
    window.SetFormat(format);
    window.SetChanged(false);
    return fileName;
}

#include "document/FileCommands.h"

#include "document/DocumentHost.h"
#include "document/Unit1.h"
#include "framework/Exceptions.h"
#include "framework/Files.h"
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

QWidget* TFileCommands::dialogParent() const {
    return host_.DocumentArea().window();
}

TfrmNew* TFileCommands::createWindow() {
    auto* window = new TfrmNew(host_);
    window->move(window->x(), 60);
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
    TFileDialogRequest request;
    request.Title = OpenTitle;
    request.Filter = OpenFilter;
    request.FilterIndex = openFilterIndex_;
    request.FileName = openFileName_;
    request.MultiSelect = true;
    if (!Platform().OpenDialog(dialogParent(), request)) {
        return nullptr;
    }
    openFilterIndex_ = request.FilterIndex;
    openFileName_ = request.FileName;

    TfrmNew* window = createWindow();
    window->Edit1().resize(window->width() - 20, window->height() - 50);
    host_.DocumentArea().setActiveSubWindow(window);
    window->Edit1().setFocus();
    const std::string fileName = request.FileName;
    if (openFilterIndex_ == ftRichText) {
        try {
            window->Edit1().LoadFromFile(fileName);
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
    std::string bytes;
    try {
        bytes = ReadFileBytes(fileName);
    } catch (const EFOpenError& error) {
        raiseWithReason(error);
    } catch (const std::bad_alloc&) {
        raiseOutOfMemory(fileName);
    }
    const std::string oldCaption = window.Caption();
    window.SetCaption(fileName);
    host_.SetStatusText(FilePrefix + DisplayName(fileName));
    try {
        window.Edit1().AppendLoaded(bytes);
    } catch (const std::bad_alloc&) {
        // Abandon this load only: the window goes back to what it was.
        bytes = std::string();
        window.Edit1().Clear();
        window.SetCaption(oldCaption);
        raiseOutOfMemory(fileName);
    }
}

void TFileCommands::FileSave(TfrmNew& window) {
    const std::string fileName = WriteDocument(window.Caption(), window);
    window.SetCaption(fileName);
    host_.SetStatusText(FilePrefix + DisplayName(fileName));
}

std::optional<std::string> TFileCommands::FileSaveAs(TfrmNew& window) {
    TFileDialogRequest request;
    request.Title = SaveTitle;
    request.Filter = SaveFilter;
    request.FilterIndex = saveFilterIndex_;
    request.FileName = saveFileName_;
    if (!Platform().SaveDialog(dialogParent(), request)) {
        return std::nullopt;
    }
    saveFilterIndex_ = request.FilterIndex;
    saveFileName_ = request.FileName;
    const std::string fileName =
        WriteDocument(WithTypeExtension(request.FileName, saveFilterIndex_), window);
    window.SetCaption(fileName);
    host_.SetStatusText(FilePrefix + DisplayName(fileName));
    return fileName;
}

std::string TFileCommands::WriteDocument(const std::string& fileName, TfrmNew& window) {
    if (!IsRealFilePath(fileName)) {
        return FileSaveAs(window).value_or(fileName);
    }
    try {
        if (saveFilterIndex_ == ftRichText) {
            window.Edit1().SaveToFile(fileName);
        } else {
            WriteFileBytes(fileName, window.Edit1().Text());
        }
    } catch (const EFCreateError& error) {
        raiseWithReason(error);
    }
    window.SetChanged(false);
    return fileName;
}

#include "document/FileCommands.h"

#include "document/DocumentHost.h"
#include "document/EncodingCommands.h"
#include "document/PlainFile.h"
#include "document/Unit1.h"
#include "framework/Exceptions.h"
#include "framework/Files.h"
#include "framework/Progress.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/Application.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"

#include <QMdiArea>
#include <QPointer>
#include <algorithm>
#include <filesystem>
#include <fstream>
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
    throw WithSystemReason(error);
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
                                                      const QString& filter, TDialogChoice& choice,
                                                      const TfrmNew* document) {
    TFileDialogRequest request;
    request.Title = title;
    request.Filter = filter;
    request.FilterIndex = choice.filterIndex;
    request.FileName = choice.fileName;
    const bool save = dialog == &TPlatform::SaveDialog;
    // Both dialogs start in the folder of the document they are for; Save
    // As offers the document's own name.
    if (document && IsRealFilePath(document->Caption())) {
        if (save) {
            request.FileName = document->Caption();
        } else {
            request.Directory = std::filesystem::path(document->Caption()).parent_path().string();
        }
    }
    if (save) {
        request.NameToWrite = WithTypeExtension;
    }
    // Several files may be chosen to open; only the first is taken.
    request.MultiSelect = !save;
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

TfrmNew* TFileCommands::openWindow() {
    TfrmNew* window = createWindow();
    window->Edit1().resize(window->width() - 20, window->height() - 50);
    host_.DocumentArea().setActiveSubWindow(window);
    window->Edit1().setFocus();
    return window;
}

TfrmNew* TFileCommands::FileOpen() {
    const std::optional<std::string> chosen =
        askFileName(&TPlatform::OpenDialog, OpenTitle, OpenFilter, open_,
                    qobject_cast<const TfrmNew*>(host_.DocumentArea().currentSubWindow()));
    if (!chosen) {
        return nullptr;
    }
    TfrmNew* window = openWindow();
    if (open_.filterIndex == ftRichText) {
        loadRichText(*chosen, *window);
    } else {
        LoadPlainFile(*chosen, *window);
    }
    return window;
}

void TFileCommands::loadRichText(const std::string& fileName, TfrmNew& window) {
    try {
        TProgressJob job(host_.LoadSaveProgress());
        TProgressStep all = job.Step(0.0, 1.0);
        // A file that is not rich text loads, and later saves, as plain text.
        const bool rich = window.Edit1().LoadFromFile(fileName, all.get(), NewDocumentEncoding());
        window.SetFormat(rich ? TDocumentFormat::RichText : TDocumentFormat::PlainText);
    } catch (const EFOpenError& error) {
        raiseWithReason(error);
    } catch (const std::bad_alloc&) {
        window.Edit1().Clear();
        raiseOutOfMemory(fileName);
    }
    window.SetCaption(fileName);
}

void TFileCommands::OpenNamedFiles(const std::vector<std::string>& fileNames, TfrmNew& first) {
    QPointer<TfrmNew> last = &first; // the last file opened ends in front
    for (size_t i = 0; i < fileNames.size(); ++i) {
        // A name relative to the shell's directory is made absolute, so that
        // File Save writes it back instead of asking for a name.
        std::string fileName = fileNames[i];
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(fileName, error);
        if (!fileName.empty() && !IsRealFilePath(fileName) && !error) {
            fileName = absolute.string();
        }
        QPointer<TfrmNew> window = i == 0 ? &first : openWindow();
        bool loaded = false;
        Application().Dispatch([&] {
            char head[5] = {};
            std::ifstream(fileName, std::ios::binary).read(head, sizeof head);
            if (Rtf::IsRtf(std::string_view(head, sizeof head))) {
                loadRichText(fileName, *window);
                host_.SetStatusText(FilePrefix + DisplayName(fileName));
            } else {
                LoadPlainFile(fileName, *window);
            }
            loaded = true;
        });
        if (!window) {
            continue;
        }
        // A file fresh from the disk is unchanged.
        window->SetChanged(false);
        if (loaded) {
            last = window;
        } else if (window != &first) {
            window->close(); // nothing to show in it
        }
    }
    if (last) {
        host_.DocumentArea().setActiveSubWindow(last);
    }
}

void TFileCommands::LoadPlainFile(const std::string& fileName, TfrmNew& window) {
    TProgressJob job(host_.LoadSaveProgress());
    TProgressStep reading = job.Step(0.0, 0.15);
    std::string bytes = ReadDocumentFile(fileName, reading.get());
    const std::string oldCaption = window.Caption();
    const TEncoding oldEncoding = window.Edit1().Encoding();
    window.SetCaption(fileName);
    host_.SetStatusText(FilePrefix + DisplayName(fileName));
    try {
        TProgressStep inserting = job.Step(0.15, 1.0);
        AppendFileText(window.Edit1(), std::move(bytes), NewDocumentEncoding(), inserting.get());
        window.SetFormat(TDocumentFormat::PlainText);
    } catch (const std::bad_alloc&) {
        // Abandon this load only: the window goes back to what it was.
        window.Edit1().Clear();
        window.Edit1().SetEncoding(oldEncoding);
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
        askFileName(&TPlatform::SaveDialog, SaveTitle, SaveFilter, save_, &window);
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
            WritePlainFile(fileName, window.Edit1(), all.get());
        }
    } catch (const EFCreateError& error) {
        raiseWithReason(error);
    }
    window.SetFormat(format);
    window.SetChanged(false);
    return fileName;
}

#pragma once

#include "document/Unit1.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

class QWidget;
class TDocumentHost;
class TPlatform;
struct TFileDialogRequest;

// The file-type choice of the open and save dialogs, counted from 1.
enum TFileType { ftText = 1, ftHtml = 2, ftCpp = 3, ftRichText = 4, ftAll = 5 };

// The File commands: new, open, save, save as, with the program-wide window
// counter and what the two file dialogs remember between runs of them.
class TFileCommands {
public:
    explicit TFileCommands(TDocumentHost& host);

    static const QString OpenTitle;
    static const QString OpenFilter;
    static const QString SaveTitle;
    static const QString SaveFilter;

    // A new empty window captioned "Untitled" and the next number.
    TfrmNew* FileNew();
    // Asks for a file and opens it in a new window; nullptr when cancelled.
    TfrmNew* FileOpen();
    // The files named on the command line: the first into the given window,
    // each other one into a new window of its own, read as its content says
    // (rich text when it begins with "{\rtf", else plain bytes) and unchanged.
    // A file that cannot be read is reported in the application's error box,
    // and a window made for it closes again.
    void OpenNamedFiles(const std::vector<std::string>& fileNames, TfrmNew& first);
    // Writes the window under its caption (Save As for an untitled one).
    void FileSave(TfrmNew& window);
    // Asks for a name and writes the window under it; the name written, or
    // nothing when the dialog was cancelled.
    std::optional<std::string> FileSaveAs(TfrmNew& window);

    // Reads the file as plain text into the window, in the encoding its bytes
    // are found in (the default for new documents when nothing decides), or,
    // when the window holds text already, stored in the window's encoding.
    // Raises when the file cannot be read (naming it and the reason) or does
    // not fit in memory; the window is then left as it was.
    void LoadPlainFile(const std::string& fileName, TfrmNew& window);
    // Writes the window's text to the file in the window's own format (as it
    // was loaded or last saved; plain text in the document's encoding) and
    // marks it unchanged; a name that is not a
    // real file path goes to Save As instead. Returns the name written under
    // (unchanged when Save As was cancelled). A failed write raises, naming
    // the file and the reason, and leaves the window changed.
    std::string WriteDocument(const std::string& fileName, TfrmNew& window);

    int WindowCounter() const { return windowCounter_; }
    int OpenFilterIndex() const { return open_.filterIndex; }
    int SaveFilterIndex() const { return save_.filterIndex; }
    const std::string& OpenFileName() const { return open_.fileName; }
    const std::string& SaveFileName() const { return save_.fileName; }

private:
    // What a file dialog remembers from its last confirmed run.
    struct TDialogChoice {
        int filterIndex = ftText;
        std::string fileName;
    };
    // Runs the open or save dialog from its last choice, in the folder of the
    // document it is for (the active one, for Open); the name chosen (the
    // choice is remembered), or nothing when cancelled.
    using TFileDialog = bool (TPlatform::*)(QWidget*, TFileDialogRequest&);
    std::optional<std::string> askFileName(TFileDialog dialog, const QString& title,
                                           const QString& filter, TDialogChoice& choice,
                                           const TfrmNew* document);
    TfrmNew* createWindow();
    // A window for a file, made active, as File Open makes it.
    TfrmNew* openWindow();
    // The rich-text load of File Open: a file that is not RTF loads as plain
    // text; raises naming the file and the reason.
    void loadRichText(const std::string& fileName, TfrmNew& window);
    // WriteDocument in the given format, which the window keeps once written.
    std::string writeAs(const std::string& fileName, TfrmNew& window, TDocumentFormat format);
    // The caption and the status line name the file written.
    void showSaved(TfrmNew& window, const std::string& fileName);

    TDocumentHost& host_;
    int windowCounter_ = 1;
    TDialogChoice open_;
    TDialogChoice save_;
};

// A real file path (as opposed to a caption such as "Untitled3") is absolute.
bool IsRealFilePath(const std::string& fileName);

// The name with the file type's extension appended, unless it already ends
// with it (compared without regard to case).
std::string WithTypeExtension(const std::string& fileName, int filterIndex);

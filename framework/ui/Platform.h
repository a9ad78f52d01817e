#pragma once

#include "framework/ui/Font.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTextDocument;
class QWidget;

// The platform seam: everything that blocks on the user or leaves the
// process goes through here, so tests can answer it. The program installs
// the Qt implementation; tests install TScriptedPlatform.

enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgIcon { None, Stop, Warning, Information, Question };
// The values of the system's dialog results.
enum class TModalResult { None = 0, Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct TFileDialogRequest {
    QString Title;
    // "Description|pattern;pattern|Description|pattern..." as the program writes it.
    QString Filter;
    int FilterIndex = 1;                // counted from 1
    std::string FileName;               // in: the last name; out: the first chosen name
    std::vector<std::string> FileNames; // out: every chosen name
    bool MultiSelect = false;
    // The folder the dialog opens in; empty: the folder of FileName. The
    // name is offered only when it lies in that folder.
    std::string Directory;
    // For a save dialog, the name the program writes for a chosen name and
    // type; none: the name as chosen. A save dialog asks before it lets that
    // name replace an existing file, and stays open when the user says No.
    std::function<std::string(const std::string& fileName, int filterIndex)> NameToWrite;
};

class TPlatform {
public:
    virtual ~TPlatform() = default;

    virtual TModalResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                                    TMsgButtons buttons, TMsgIcon icon) = 0;
    // True when the user confirms; the request then holds the choice.
    virtual bool OpenDialog(QWidget* parent, TFileDialogRequest& request) = 0;
    virtual bool SaveDialog(QWidget* parent, TFileDialogRequest& request) = 0;
    virtual bool FontDialog(QWidget* parent, TFont& font) = 0;
    virtual bool ColorDialog(QWidget* parent, std::uint32_t& color) = 0;
    // Hands a URL or a file to the desktop's opener and returns at once. When
    // the opener cannot be started, or ends saying it could not open the
    // target, `failed` runs later, from the event loop.
    virtual void ShellOpen(const std::string& target, std::function<void()> failed) = 0;
    // True when there is a default printer to print on.
    virtual bool PrinterAvailable() = 0;
    // Prints the document on the default printer, no dialog. Empty when the
    // job went out, else the system's reason why it did not.
    virtual QString Print(const QTextDocument& document, const QString& jobTitle) = 0;
};

TPlatform& Platform();
// Replaces the installed seam (the Qt one until a test installs another).
void SetPlatform(std::unique_ptr<TPlatform> platform);

// The seam on the real toolkit and desktop.
std::unique_ptr<TPlatform> MakeQtPlatform();

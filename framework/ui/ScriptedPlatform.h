#pragma once

#include "framework/ui/Platform.h"

#include <QObject>
#include <deque>
#include <optional>

// A seam for tests: records every call and gives the answers queued before.
// A call with no queued answer is recorded as unexpected and answered with a
// cancel (TModalResult::Cancel, false).
class TScriptedPlatform : public TPlatform {
public:
    struct Call {
        enum class Kind {
            MessageBox,
            OpenDialog,
            SaveDialog,
            FontDialog,
            ColorDialog,
            ShellOpen,
            Print,
            OverwriteQuestion // a save dialog's, before it replaces a file
        };
        Kind kind;
        // message text, dialog title, opened target, printed text, file to replace
        QString text;
        QString title; // message title, print-job title, dialog filter
        TMsgButtons buttons = TMsgButtons::Ok;
        TMsgIcon icon = TMsgIcon::None;
        bool hasOwner = false;
        TFileDialogRequest request; // for the file dialogs: what was asked
        TFont font;                 // for the font dialog: the initial font
        std::uint32_t color = 0;    // for the colour dialog: the initial colour
        bool unexpected = false;
    };

    // A file dialog's answer: the chosen names and filter index; nullopt cancels.
    struct FileAnswer {
        std::vector<std::string> fileNames;
        int filterIndex = 1;
    };

    std::deque<TModalResult> messageAnswers;
    std::deque<std::optional<FileAnswer>> openAnswers;
    std::deque<std::optional<FileAnswer>> saveAnswers;
    // Whether a save dialog may replace the existing file it was given; after
    // a No the dialog stays open and takes the next of saveAnswers.
    std::deque<bool> overwriteAnswers;
    std::deque<std::optional<TFont>> fontAnswers;
    std::deque<std::optional<std::uint32_t>> colorAnswers;
    // Whether the openers end well; when not, each tells its failure from the
    // event loop, as the desktop's does.
    bool shellOpenSucceeds = true;
    bool printerAvailable = true;
    QString printFailure; // the system's reason a print job fails; empty: it goes out

    std::vector<Call> calls;

    // The calls of one kind, in order.
    std::vector<Call> CallsOf(Call::Kind kind) const;
    bool AnyUnexpected() const;

    TModalResult MessageBox(QWidget* owner, const QString& text, const QString& title,
                            TMsgButtons buttons, TMsgIcon icon) override;
    bool OpenDialog(QWidget* parent, TFileDialogRequest& request) override;
    bool SaveDialog(QWidget* parent, TFileDialogRequest& request) override;
    bool FontDialog(QWidget* parent, TFont& font) override;
    bool ColorDialog(QWidget* parent, std::uint32_t& color) override;
    void ShellOpen(const std::string& target, std::function<void()> failed) override;
    bool PrinterAvailable() override { return printerAvailable; }
    QString Print(const QTextDocument& document, const QString& jobTitle) override;

private:
    // Failures not yet told are dropped with the seam.
    std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
    bool fileDialog(Call::Kind kind, std::deque<std::optional<FileAnswer>>& answers,
                    TFileDialogRequest& request);
};

// Installs a fresh scripted seam for the life of the object and restores the
// Qt one afterwards.
class TScriptedPlatformScope {
public:
    TScriptedPlatformScope();
    ~TScriptedPlatformScope();
    TScriptedPlatformScope(const TScriptedPlatformScope&) = delete;
    TScriptedPlatformScope& operator=(const TScriptedPlatformScope&) = delete;
    TScriptedPlatform& operator*() { return *platform_; }
    TScriptedPlatform* operator->() { return platform_; }

private:
    TScriptedPlatform* platform_;
};

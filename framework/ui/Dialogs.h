#pragma once

// The toolkit's dialogs as the platform seam shows them, built apart from
// showing them so that tests can look at what the user would see.
#include "framework/ui/Font.h"
#include "framework/ui/Platform.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QStringList>

class QComboBox;

// The program's "Description|pattern;pattern|..." filter as the dialog's
// name filters: each description shown exactly as written, the patterns
// given to the dialog in brackets that it does not show.
QStringList FileDialogNameFilters(const QString& filter);

// An open or save dialog set up from the request: title, file types, the
// folder, the type and name chosen last. The name field is selected when the
// dialog opens, so that typing a name replaces the old one. A save dialog
// asks, in the toolkit's own words, before the name the program will write
// replaces an existing file.
class TFileDialog : public QFileDialog {
public:
    TFileDialog(QWidget* parent, const TFileDialogRequest& request, bool save);

    // The user's choice into the request (after the dialog was accepted).
    void TakeChoice(TFileDialogRequest& request) const;

    // Selects the whole name field and gives it the keyboard focus.
    void SelectFileName();

    // A save dialog first puts the name the program will write into the
    // name field, so that the toolkit's overwrite question is about it.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStringList filters_;
    QString filter_;
    std::function<std::string(const std::string&, int)> nameToWrite_;
};

// The font dialog with everything Set Font applies: family, style, size,
// underline, strike-out and colour.
class TFontDialog : public QFontDialog {
public:
    explicit TFontDialog(QWidget* parent = nullptr);

    void SetFont(const TFont& font);
    // The font chosen, the character set kept from SetFont.
    TFont Font() const;

    std::uint32_t Color() const;
    void SetColor(std::uint32_t rgb);

private:
    void colorChosen(int index);
    void showColor();

    QComboBox* colors_;
    int charset_ = 1;
    int lastColorIndex_ = 0;
};

// A message box with the given text, title, buttons and icon, without
// minimize and maximize buttons; its buttons carry icons for their roles.
void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& title,
                     TMsgButtons buttons, TMsgIcon icon);

// The icon a message box button of the given role carries.
QIcon MessageButtonIcon(QMessageBox::StandardButton button);

#pragma once

#include "framework/TextEncoding.h"

#include <QDialog>
#include <QFlags>
#include <string>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
struct TRegexProblem;

enum TFindOption : unsigned {
    frDown = 0x1,       // search downwards (the only direction offered here)
    frHideUpDown = 0x2, // no choice of direction
    frMatchCase = 0x4,
    frWholeWord = 0x8,
    frReplace = 0x10,
    frReplaceAll = 0x20, // set by Replace All, cleared by Replace
    frRegularExpression = 0x40,
};
Q_DECLARE_FLAGS(TFindOptions, TFindOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFindOptions)

// The modeless Find dialog. It is kept for the whole run and remembers the
// search text and the options from one use to the next; each press of Find
// Next (or Enter) raises OnFind. Cancel and Escape only hide it.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent, TFindOptions options = frDown | frHideUpDown);

    // As typed: every character kept, whatever the document it is used on
    // can hold (see FieldBytes).
    const QString& FindText() const { return findText_; }
    void SetFindText(QString text);
    TFindOptions Options() const { return options_; }
    void SetOptions(TFindOptions options);

    // Shows the dialog, or brings it forward when it is shown, with the
    // search text selected.
    void Execute();

    // Says beside its field why the last press did nothing, or, with no
    // problem, takes back what was said. Editing a field or an option takes
    // it back too.
    virtual void ShowProblem(const TRegexProblem& problem);

signals:
    void OnFind();

protected:
    // The dialog's own texts and button states, from the stored ones.
    virtual void refresh();
    // A field with its caption, and below it the place for its problems.
    QLineEdit* addTextRow(int row, const QString& label, const char* name, QLabel*& problem);
    QPushButton* addButton(int row, const QString& caption, const char* name);
    void setOption(TFindOption option, bool on);
    static void say(QLabel* label, const QString& text);

    QGridLayout* grid_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    QLabel* findProblem_ = nullptr;
    QPushButton* findNext_ = nullptr;
    QCheckBox* wholeWord_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* regularExpression_ = nullptr;
    QPushButton* cancel_ = nullptr;

private:
    QString findText_;
    TFindOptions options_;
};

// The modeless Replace dialog: the Find dialog with a replacement text and
// the Replace and Replace All buttons, both of which raise OnReplace.
class TReplaceDialog : public TFindDialog {
    Q_OBJECT
public:
    explicit TReplaceDialog(QWidget* parent,
                            TFindOptions options = frDown | frHideUpDown | frReplace);

    const QString& ReplaceText() const { return replaceText_; }
    void SetReplaceText(QString text);
    void ShowProblem(const TRegexProblem& problem) override;

signals:
    void OnReplace();

protected:
    void refresh() override;

private:
    QLineEdit* replaceEdit_ = nullptr;
    QLabel* replaceProblem_ = nullptr;
    QPushButton* replace_ = nullptr;
    QPushButton* replaceAll_ = nullptr;
    QString replaceText_;
};

// Texts of the dialogs' fields: Windows-1252 bytes shown character by
// character, line ends and other controls as visible symbols; and back, as
// the text for a document in the encoding, the symbols giving their controls
// again. In a Windows-1252 document a character the code page cannot hold
// becomes "?", as it does in the document; a Unicode one takes every
// character, as UTF-8.
QString FieldText(const std::string& bytes);
std::string FieldBytes(const QString& text, TEncoding encoding = TEncoding::Windows1252);

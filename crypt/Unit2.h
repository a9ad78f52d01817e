#pragma once

#include "crypt/CryptCommands.h"

#include <QDialog>
#include <string>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TRichEdit;

// What the key dialog needs of the main window: the program-wide cipher
// texts kept beside the frame, and the document its current-document
// reference names.
class TCryptHost {
public:
    // "Crypt" or "DeCrypt": what the next OK runs.
    std::string CryptDirection;
    // The key box's text as of the last OK.
    std::string CryptKey;

    // The edit control of the window CurrentDocument names; null when there
    // is none or it has closed.
    virtual TRichEdit* CryptTarget() const = 0;

protected:
    ~TCryptHost() = default;
};

// The cipher key dialog: the mode, the key and OK. Modeless; it lives for
// the whole run and closing it only hides it, so mode and key stay for its
// next showing.
class TfrmCrypt : public QDialog {
    Q_OBJECT
public:
    TfrmCrypt(QWidget* owner, TCryptHost& host);
    ~TfrmCrypt() override;

    QGroupBox& RadioGroup1() const { return *radioGroup1_; }
    // The chosen item of RadioGroup1; choosing one runs CryptMode.
    int ItemIndex() const;
    void SetItemIndex(int index);
    QLabel& Label1() const { return *label1_; }
    QLineEdit& Edit1() const { return *edit1_; }
    QPushButton& Button1() const { return *button1_; }

    // Shows the dialog, or brings it forward when it is shown already; the
    // key box has the focus when the mode takes a key.
    void ShowKeyDialog();

    // Greys the key box and its label for the mode that needs no key.
    void CryptMode();
    // Runs the chosen mode in CryptDirection on the host's document, then
    // hides the dialog; a failure that raises, or Strong mode's question
    // answered No, leaves it open.
    void Button1Click();

private:
    TCryptHost& host_;
    QGroupBox* radioGroup1_;
    QButtonGroup* items_;
    QLabel* label1_;
    QLineEdit* edit1_;
    QPushButton* button1_;
};

// The one key dialog, made at start-up after the start-up document window;
// null before and after.
extern TfrmCrypt* frmCrypt;

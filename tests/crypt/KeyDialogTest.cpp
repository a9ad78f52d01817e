#include "crypt/Cipher.h"
#include "crypt/Unit2.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using TCall = TScriptedPlatform::Call;

// The key dialog on a host whose current document is one edit control.
class KeyDialogTest : public ::testing::Test, public TCryptHost {
protected:
    KeyDialogTest() { CryptDirection = "Crypt"; }
    ~KeyDialogTest() override { EXPECT_FALSE(seam->AnyUnexpected()); }

    TRichEdit* CryptTarget() const override { return targetOpen ? edit.get() : nullptr; }

    void Ok(int mode, const QString& key) {
        dialog.ShowKeyDialog();
        dialog.findChild<QAbstractButton*>(QStringLiteral("RadioGroup1Item%1").arg(mode))->click();
        dialog.Edit1().setText(key);
        dialog.Button1().click();
    }

    TScriptedPlatformScope seam;
    std::unique_ptr<TRichEdit> edit = std::make_unique<TRichEdit>();
    bool targetOpen = true;
    TfrmCrypt dialog{nullptr, *this};
};

} // namespace

TEST_F(KeyDialogTest, StrongGreysTheKeyBoxAndModeAndKeyStayForTheNextShowing) {
    dialog.ShowKeyDialog();
    EXPECT_EQ(dialog.ItemIndex(), 0);
    dialog.Edit1().setText(QStringLiteral("key \u20ac\u2713"));
    EXPECT_EQ(dialog.Edit1().text(), QStringLiteral("key \u20ac?"))
        << "the key shown is the key used";
    for (int mode : {0, 2, 3}) {
        dialog.SetItemIndex(1);
        EXPECT_FALSE(dialog.Edit1().isEnabled() || dialog.Label1().isEnabled());
        dialog.Edit1().clearFocus();
        dialog.SetItemIndex(mode);
        EXPECT_TRUE(dialog.Edit1().isEnabled() && dialog.Label1().isEnabled()) << mode;
        EXPECT_EQ(dialog.focusWidget(), &dialog.Edit1()) << mode;
    }
    dialog.Edit1().clearFocus();
    dialog.close();
    dialog.ShowKeyDialog();
    EXPECT_EQ(dialog.ItemIndex(), 3);
    EXPECT_EQ(dialog.Edit1().text(), QStringLiteral("key \u20ac?"));
    EXPECT_EQ(dialog.focusWidget(), &dialog.Edit1()) << "ready for the key";
}

TEST_F(KeyDialogTest, StrongAsksBeforeEncipheringWhatDecryptCannotGiveBack) {
    edit->SetText("Mixed ZZ text");
    seam->messageAnswers = {TModalResult::No, TModalResult::Yes};
    Ok(1, QString());
    EXPECT_EQ(edit->Text(), "Mixed ZZ text") << "declined: nothing changes";
    EXPECT_TRUE(dialog.isVisible());
    dialog.Button1().click();
    EXPECT_EQ(edit->Text(), StrongCrypt("Mixed ZZ text"));
    EXPECT_FALSE(dialog.isVisible());
    const TCall asked = seam->CallsOf(TCall::Kind::MessageBox).at(1);
    EXPECT_TRUE(asked.text.startsWith(QStringLiteral("Decrypt will not give back 3 characters")));
    EXPECT_EQ(asked.buttons, TMsgButtons::YesNo);
}

TEST_F(KeyDialogTest, OkThatChangesNothingSaysWhyOnlyForAKeyTooShortOrRunOut) {
    edit->SetText("secret");
    QSignalSpy changes(edit.get(), &TRichEdit::OnChange);
    seam->messageAnswers = {TModalResult::Ok, TModalResult::Ok};
    Ok(3, QStringLiteral("12345"));
    EXPECT_FALSE(dialog.isVisible());
    Ok(2, QStringLiteral("k"));
    EXPECT_TRUE(dialog.isVisible()) << "the range error ends OK before the dialog hides";
    const auto boxes = seam->CallsOf(TCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("The key must have as many characters as you have in text!"));
    EXPECT_EQ(boxes[0].title, QStringLiteral("ATTENTION"));
    EXPECT_EQ(boxes[0].buttons, TMsgButtons::Ok);
    EXPECT_EQ(boxes[1].text, QStringLiteral("Range check error."));
    EXPECT_EQ(boxes[1].icon, TMsgIcon::Stop);
    // Silently nothing: a key of 0, a direction of another spelling, the
    // title bar's close, a document closed meanwhile, an empty text.
    Ok(0, QStringLiteral("x"));
    EXPECT_EQ(CryptKey, "x");
    CryptDirection = "crypt";
    Ok(1, QString());
    CryptDirection = "Crypt";
    dialog.ShowKeyDialog();
    dialog.close();
    targetOpen = false;
    Ok(2, QStringLiteral("k"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(edit->Text(), "secret");
    targetOpen = true;
    edit->SetText("");
    for (int mode = 0; mode < 4; ++mode) {
        Ok(mode, mode == 0 ? QStringLiteral("5") : QString());
    }
    EXPECT_EQ(changes.size(), 1) << "only the emptying";
    EXPECT_EQ(seam->calls.size(), 2u);
}

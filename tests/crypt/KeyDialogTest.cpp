#include "crypt/Cipher.h"
#include "crypt/Unit2.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using TCall = TScriptedPlatform::Call;

// The key dialog on a host whose current document is one edit control.
class KeyDialogTest : public ::testing::Test, public TCryptHost {
protected:
    KeyDialogTest() { CryptDirection = "Crypt"; }
    ~KeyDialogTest() override { EXPECT_FALSE(seam->AnyUnexpected()); }

    TRichEdit* CryptTarget() const override { return targetOpen ? edit.get() : nullptr; }

    // Chooses the mode and key as the user would, and presses OK.
    void Ok(int mode, const QString& key) {
        dialog.ShowKeyDialog();
        QTest::mouseClick(dialog.RadioGroup1().findChild<QAbstractButton*>(
                              QStringLiteral("RadioGroup1Item%1").arg(mode)),
                          Qt::LeftButton);
        dialog.Edit1().setText(key);
        dialog.Button1().click();
    }

    TScriptedPlatformScope seam;
    std::unique_ptr<TRichEdit> edit = std::make_unique<TRichEdit>();
    bool targetOpen = true;
    TfrmCrypt dialog{nullptr, *this};
};

} // namespace

TEST_F(KeyDialogTest, StartsHiddenWithTheFirstModeAndAnEmptyKeyInTwoColumns) {
    EXPECT_EQ(frmCrypt, &dialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Crypting/Decrypting Key"));
    EXPECT_EQ(dialog.RadioGroup1().title(), QStringLiteral("Crypting Mode"));
    EXPECT_EQ(dialog.RadioGroup1().geometry(), QRect(8, 11, 369, 62));
    EXPECT_EQ(dialog.Edit1().geometry(), QRect(10, 111, 359, 21));
    EXPECT_EQ(dialog.Button1().geometry(), QRect(154, 152, 75, 25));
    EXPECT_EQ(dialog.Button1().text(), QStringLiteral("&OK"));
    EXPECT_EQ(dialog.Label1().text(), QStringLiteral("Type the key here:"));
    EXPECT_EQ(dialog.ItemIndex(), 0);
    EXPECT_TRUE(dialog.Edit1().text().isEmpty());
    dialog.ShowKeyDialog();
    QList<QAbstractButton*> items;
    for (int i = 0; i < 4; ++i) {
        items << dialog.findChild<QAbstractButton*>(QStringLiteral("RadioGroup1Item%1").arg(i));
        ASSERT_NE(items.last(), nullptr);
    }
    EXPECT_EQ(items[3]->text(), QStringLiteral("StringKey Crypting (100% Secure)"));
    // Down the first column, then the second.
    EXPECT_EQ(items[0]->x(), items[1]->x());
    EXPECT_LT(items[0]->y(), items[1]->y());
    EXPECT_GT(items[2]->x(), items[0]->x());
    EXPECT_EQ(items[2]->y(), items[0]->y());
    EXPECT_EQ(dialog.Edit1().nextInFocusChain(), &dialog.Button1());
}

TEST_F(KeyDialogTest, StrongGreysTheKeyBoxWhichKeepsItsTextAcrossShowings) {
    dialog.ShowKeyDialog();
    dialog.Edit1().setText(QStringLiteral("my key \u20ac\u2713"));
    EXPECT_EQ(dialog.Edit1().text(), QStringLiteral("my key \u20ac?")) << "what is shown is used";
    dialog.SetItemIndex(1);
    EXPECT_FALSE(dialog.Edit1().isEnabled());
    EXPECT_FALSE(dialog.Label1().isEnabled());
    for (int mode : {0, 2, 3}) {
        dialog.SetItemIndex(1);
        dialog.Edit1().clearFocus();
        dialog.SetItemIndex(mode);
        EXPECT_TRUE(dialog.Edit1().isEnabled() && dialog.Label1().isEnabled()) << mode;
        EXPECT_EQ(dialog.focusWidget(), &dialog.Edit1()) << mode;
    }
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    dialog.ShowKeyDialog();
    EXPECT_EQ(dialog.ItemIndex(), 3);
    EXPECT_EQ(dialog.Edit1().text(), QStringLiteral("my key \u20ac?"));
    EXPECT_TRUE(seam->calls.empty());
}

TEST_F(KeyDialogTest, OkRunsTheDirectionAsOneUndoableChangeAndHides) {
    edit->SetText("abc");
    QSignalSpy changes(edit.get(), &TRichEdit::OnChange);
    Ok(0, QStringLiteral("1"));
    EXPECT_EQ(edit->Text(), "bcd");
    EXPECT_EQ(CryptKey, "1");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_FALSE(dialog.isVisible());
    CryptDirection = "DeCrypt";
    Ok(0, QStringLiteral("1"));
    EXPECT_EQ(edit->Text(), "abc");
    edit->Undo();
    EXPECT_EQ(edit->Text(), "bcd") << "one step per OK";
    // A key of 0 and an empty text are no change at all; neither is any other
    // direction text, nor closing from the title bar.
    Ok(0, QStringLiteral("x"));
    CryptDirection = "crypt";
    Ok(1, QString());
    dialog.ShowKeyDialog();
    dialog.close();
    EXPECT_EQ(edit->Text(), "bcd");
    edit->SetText("");
    changes.clear();
    CryptDirection = "Crypt";
    for (int mode = 0; mode < 4; ++mode) {
        Ok(mode, mode == 0 ? QStringLiteral("5") : QString());
    }
    EXPECT_EQ(changes.size(), 0);
    EXPECT_TRUE(seam->calls.empty());
}

TEST_F(KeyDialogTest, FailuresLeaveTheTextAndOnlyTheRangeErrorKeepsTheDialogOpen) {
    edit->SetText("secret");
    seam->messageAnswers = {TModalResult::Ok, TModalResult::Ok};
    Ok(3, QStringLiteral("12345"));
    EXPECT_EQ(edit->Text(), "secret");
    EXPECT_FALSE(dialog.isVisible());
    Ok(2, QStringLiteral("k"));
    EXPECT_EQ(edit->Text(), "secret");
    EXPECT_TRUE(dialog.isVisible());
    const auto boxes = seam->CallsOf(TCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("The key must have as many characters as you have in text!"));
    EXPECT_EQ(boxes[0].title, QStringLiteral("ATTENTION"));
    EXPECT_EQ(boxes[0].buttons, TMsgButtons::Ok);
    EXPECT_EQ(boxes[1].text, QStringLiteral("Range check error."));
    EXPECT_EQ(boxes[1].title, Application().Title());
    EXPECT_EQ(boxes[1].icon, TMsgIcon::Stop);
    // A key exactly as long as the text does.
    Ok(3, QStringLiteral("123456"));
    EXPECT_NE(edit->Text(), "secret");
    CryptDirection = "DeCrypt";
    Ok(3, QStringLiteral("123456"));
    EXPECT_EQ(edit->Text(), "secret");
    // Its document closed meanwhile: OK does nothing and says nothing.
    targetOpen = false;
    Ok(2, QStringLiteral("k"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(seam->calls.size(), 2u);
}

TEST_F(KeyDialogTest, LongKeysAndOneLongLineKeepEveryByte) {
    // A one-line document (the control lays a line out whole, so 1 MB keeps
    // the test quick), and a key of 10,000 characters typed into the box.
    std::string line(1u << 20, 'a');
    line[12345] = '\0';
    const std::string key(10000, '~');
    edit->SetText(line);
    Ok(2, QString::fromLatin1(key));
    EXPECT_EQ(CryptKey, key);
    const std::string enciphered = edit->Text();
    EXPECT_TRUE(enciphered == StringKeyCrypt(line, key));
    CryptDirection = "DeCrypt";
    Ok(2, QString::fromLatin1(key));
    EXPECT_TRUE(edit->Text() == line);
}

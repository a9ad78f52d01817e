#include "texttools/FindDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

template <typename T> T* child(QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

TEST(FindDialog, FindNextByButtonAndEnterOnlyWithASearchText) {
    TFindDialog dialog(nullptr);
    QSignalSpy finds(&dialog, &TFindDialog::OnFind);
    dialog.Execute();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Options().testFlag(frDown) && dialog.Options().testFlag(frHideUpDown));
    auto* field = child<QLineEdit>(dialog, "FindWhat");
    auto* findNext = child<QPushButton>(dialog, "FindNextButton");
    EXPECT_FALSE(findNext->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(finds.size(), 0);

    QTest::keyClicks(field, QStringLiteral("caf"));
    for (const QString& typed :
         {QStringLiteral("\u00e9"), QStringLiteral(" "), QStringLiteral("\u4e2d")}) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(field, &key);
    }
    EXPECT_EQ(dialog.FindText(), "caf\xE9 ?"); // what the code page cannot hold is "?"
    EXPECT_EQ(field->text(), QStringLiteral("caf\u00e9 ?"));
    QTest::keyClick(field, Qt::Key_Return);
    findNext->click();
    EXPECT_EQ(finds.size(), 2);

    child<QCheckBox>(dialog, "MatchCase")->click();
    child<QCheckBox>(dialog, "WholeWord")->click();
    EXPECT_TRUE(dialog.Options().testFlag(frMatchCase) && dialog.Options().testFlag(frWholeWord));

    // Escape only hides it; shown again it keeps its text and options, selected.
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    dialog.Execute();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(field->selectedText(), field->text());
    EXPECT_EQ(dialog.FindText(), "caf\xE9 ?");
    EXPECT_TRUE(child<QCheckBox>(dialog, "MatchCase")->isChecked());
    child<QPushButton>(dialog, "CancelButton")->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(FindDialog, ReplaceButtonsSetAndClearReplaceAll) {
    TReplaceDialog dialog(nullptr);
    QSignalSpy replaces(&dialog, &TReplaceDialog::OnReplace);
    QSignalSpy finds(&dialog, &TFindDialog::OnFind);
    dialog.Execute();
    auto* replaceAll = child<QPushButton>(dialog, "ReplaceAllButton");
    auto* replace = child<QPushButton>(dialog, "ReplaceButton");
    EXPECT_FALSE(replace->isEnabled() || replaceAll->isEnabled());
    QTest::keyClicks(child<QLineEdit>(dialog, "FindWhat"), QStringLiteral("a"));
    QTest::keyClicks(child<QLineEdit>(dialog, "ReplaceWith"), QStringLiteral("b"));
    EXPECT_EQ(dialog.ReplaceText(), "b");
    replaceAll->click();
    EXPECT_TRUE(dialog.Options().testFlag(frReplaceAll));
    replace->click();
    EXPECT_FALSE(dialog.Options().testFlag(frReplaceAll));
    EXPECT_TRUE(dialog.Options().testFlag(frReplace));
    EXPECT_EQ(replaces.size(), 2);
    // Enter in either field is Find Next.
    QTest::keyClick(child<QLineEdit>(dialog, "ReplaceWith"), Qt::Key_Enter);
    EXPECT_EQ(finds.size(), 1);
    EXPECT_EQ(replaces.size(), 2);
}

TEST(FindDialog, FieldsShowAndGiveBackEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(FieldBytes(FieldText(all)), all);
    // Line ends show as symbols, so a one-line field can hold them.
    EXPECT_EQ(FieldText("a\r\nb"), QString::fromUtf8("a\u240d\u240ab"));
    EXPECT_EQ(FieldBytes(QStringLiteral("x\ny")), "x\ny");

    TReplaceDialog dialog(nullptr);
    const std::string big(1 << 20, 'q');
    dialog.SetFindText(big);
    dialog.SetReplaceText(std::string("\0\r\n", 3));
    EXPECT_EQ(dialog.FindText(), big);
    EXPECT_EQ(child<QLineEdit>(dialog, "FindWhat")->text().size(), 1 << 20);
    EXPECT_EQ(dialog.ReplaceText(), std::string("\0\r\n", 3));
}

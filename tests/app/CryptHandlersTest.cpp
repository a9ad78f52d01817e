#include "MainFormTest.h"
#include "crypt/Cipher.h"
#include "framework/CodePage.h"
#include "texttools/FindDialog.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <random>

namespace {

// The main window with its key dialog, made in start-up order.
class CryptHandlersTest : public MainFormTest {
protected:
    CryptHandlersTest() { new TfrmCrypt(&form, form); }

    // Crypt or Decrypt from the Edit menu, then the mode, the key and OK.
    void Run(const char* command, int mode, const std::string& key) {
        Trigger(command);
        ASSERT_TRUE(frmCrypt->isVisible());
        frmCrypt->SetItemIndex(mode);
        frmCrypt->Edit1().setText(CodePage::ToQString(key));
        frmCrypt->Button1().click();
    }
};

} // namespace

TEST_F(CryptHandlersTest, EveryModeRoundTripsAllByteValuesThroughAPlainTextFile) {
    // Every byte value, then random ones; a key typed whole into the box.
    std::mt19937 random(7);
    std::string plain;
    std::string secureKey;
    for (int i = 0; i < 20000; ++i) {
        plain += static_cast<char>(i < 256 ? i : random() & 0xFF);
        secureKey += static_cast<char>(' ' + random() % 95);
    }
    // Strong loses the bytes that shift onto its letters; its text avoids them.
    std::string strongPlain = plain;
    for (char& c : strongPlain) {
        c = (c >= 77 && c <= 96) ? 'x' : c;
    }
    const std::tuple<int, std::string, const std::string&, std::string> cases[] = {
        {0, "-77", plain, NumberKeyCrypt(plain, "-77")},
        {1, "", strongPlain, StrongCrypt(strongPlain)},
        {2, "Pennivale", plain, StringKeyCrypt(plain, "Pennivale")},
        {3, secureKey, plain, StringKeyCrypt(plain, secureKey)},
    };
    TfrmNew* first = form.CreateStartupDocument({});
    for (const auto& [mode, key, text, expected] : cases) {
        form.DocumentArea().setActiveSubWindow(first);
        first->Edit1().SetText(text);
        first->SetChanged(false);
        Run("Crypt1", mode, key);
        EXPECT_EQ(Flag(first), "true");
        const std::string file = Path("enciphered") + std::to_string(mode) + ".txt";
        AnswerSave(file, ftText);
        Trigger("FileSaveAsItem");
        EXPECT_TRUE(ReadFile(file) == expected) << mode;
        AnswerOpen(file, ftText);
        Trigger("FileOpenItem");
        TfrmNew* second = form.ActiveDocument();
        Run("Decrypt1", mode, key);
        EXPECT_TRUE(second->Edit1().Text() == text) << mode;
        Trigger("Undo1");
        EXPECT_TRUE(second->Edit1().Text() == expected) << mode;
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CryptHandlersTest, OkActsOnTheWindowTheLastDocumentCommandTookAndNeverOnAClosedOne) {
    QList<TfrmNew*> windows = OpenWindows(2);
    windows[0]->Edit1().SetText("first");
    windows[1]->Edit1().SetText("second");
    form.DocumentArea().setActiveSubWindow(windows[0]);
    Trigger("Crypt1");
    Trigger("Decrypt1"); // while the dialog stands open: turns the direction
    // A search in another window moves CurrentDocument there.
    form.DocumentArea().setActiveSubWindow(windows[1]);
    form.FindDialog->SetFindText("eco");
    form.FindDialog->findChild<QPushButton*>(QStringLiteral("FindNextButton"))->click();
    ASSERT_EQ(windows[1]->Edit1().SelText(), "eco");
    frmCrypt->SetItemIndex(1);
    frmCrypt->Button1().click();
    EXPECT_EQ(windows[0]->Edit1().Text(), "first");
    EXPECT_EQ(windows[1]->Edit1().Text(), StrongDecrypt("second"));

    Trigger("Crypt1");
    windows[1]->SetChanged(false);
    windows[1]->close();
    frmCrypt->Button1().click();
    EXPECT_EQ(windows[1]->Edit1().Text(), StrongDecrypt("second")) << "closed, not yet destroyed";
    FlushDeletes();
    frmCrypt->Button1().click();
    EXPECT_EQ(windows[0]->Edit1().Text(), "first");
    EXPECT_TRUE(seam->calls.empty());
    windows[0]->SetChanged(false);
    windows[0]->close();
    FlushDeletes();
    EXPECT_FALSE(Action("Crypt1")->isEnabled() || Action("Decrypt1")->isEnabled());
}

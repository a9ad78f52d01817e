#include "MainFormTest.h"
#include "crypt/Cipher.h"
#include "framework/CodePage.h"

#include <QAbstractButton>
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

std::string randomText(size_t size, unsigned seed, unsigned char low = 0,
                       unsigned char high = 255) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(low, high);
    std::string text;
    for (int b = 0; b < 256; ++b) {
        text += static_cast<char>(b);
    }
    while (text.size() < size) {
        text += static_cast<char>(byte(random));
    }
    return text;
}

} // namespace

TEST_F(CryptHandlersTest, CryptThenDecryptInTheEditMenuAndTheDirectionOfTheLastChoice) {
    TfrmNew* window = form.CreateStartupDocument({});
    window->Edit1().SetText("abc");
    window->SetChanged(false);
    Run("Crypt1", 0, "1");
    EXPECT_EQ(window->Edit1().Text(), "bcd");
    EXPECT_EQ(Flag(window), "true");
    EXPECT_FALSE(frmCrypt->isVisible());
    EXPECT_EQ(form.CryptDirection, "Crypt");
    // Crypt, then Decrypt while the dialog stands open: OK deciphers, with
    // the mode and key of the last use.
    Trigger("Crypt1");
    EXPECT_EQ(frmCrypt->ItemIndex(), 0);
    EXPECT_EQ(frmCrypt->Edit1().text(), QStringLiteral("1"));
    Trigger("Decrypt1");
    frmCrypt->Button1().click();
    EXPECT_EQ(window->Edit1().Text(), "abc");
    Trigger("Undo1");
    EXPECT_EQ(window->Edit1().Text(), "bcd");
}

TEST_F(CryptHandlersTest, EveryModeRoundTripsAllByteValuesThroughAPlainTextFile) {
    const std::string plain = randomText(20000, 7);
    const std::string secureKey = randomText(20256, 8, 32, 126).substr(256);
    // Strong loses the bytes that shift onto its letters; its text avoids them.
    std::string strongPlain = plain;
    for (char& c : strongPlain) {
        const int b = static_cast<unsigned char>(c);
        c = (b >= 77 && b <= 96) ? 'x' : c;
    }
    const struct {
        int mode;
        std::string key;
        const std::string& text;
        std::string expected;
    } cases[] = {
        {0, "-77", plain, NumberKeyCrypt(plain, "-77")},
        {1, "", strongPlain, StrongCrypt(strongPlain)},
        {2, "Pennivale", plain, StringKeyCrypt(plain, "Pennivale")},
        {3, secureKey + "more", plain, StringKeyCrypt(plain, secureKey + "more")},
    };
    form.CreateStartupDocument({});
    for (const auto& c : cases) {
        const std::string path = Path("enciphered.txt");
        TfrmNew* first = form.ActiveDocument();
        first->Edit1().SetText(c.text);
        Run("Crypt1", c.mode, c.key);
        AnswerSave(path, 1);
        Trigger("FileSaveAsItem");
        EXPECT_TRUE(ReadFile(path) == c.expected) << c.mode;
        AnswerOpen(path, 1);
        Trigger("FileOpenItem");
        TfrmNew* second = form.ActiveDocument();
        ASSERT_NE(second, first);
        Run("Decrypt1", c.mode, c.key);
        EXPECT_TRUE(second->Edit1().Text() == c.text) << c.mode;
        EXPECT_TRUE(Messages().empty());
    }
}

TEST_F(CryptHandlersTest, OkActsOnTheWindowTheLastDocumentCommandTookAndNeverOnAClosedOne) {
    QList<TfrmNew*> windows = OpenWindows(2);
    windows[0]->Edit1().SetText("first");
    windows[1]->Edit1().SetText("second");
    form.DocumentArea().setActiveSubWindow(windows[0]);
    Trigger("Crypt1");
    // Another document command in another window moves CurrentDocument.
    form.DocumentArea().setActiveSubWindow(windows[1]);
    Trigger("SelectAll");
    frmCrypt->SetItemIndex(1);
    frmCrypt->Button1().click();
    EXPECT_EQ(windows[0]->Edit1().Text(), "first");
    EXPECT_EQ(windows[1]->Edit1().Text(), StrongCrypt("second"));

    Trigger("Decrypt1");
    windows[1]->SetChanged(false);
    windows[1]->close();
    frmCrypt->Button1().click();
    EXPECT_EQ(windows[1]->Edit1().Text(), StrongCrypt("second")) << "closed, not yet destroyed";
    FlushDeletes();
    frmCrypt->Button1().click();
    EXPECT_EQ(windows[0]->Edit1().Text(), "first");
    EXPECT_TRUE(seam->calls.empty());

    windows[0]->SetChanged(false);
    windows[0]->close();
    FlushDeletes();
    EXPECT_FALSE(Action("Crypt1")->isEnabled() || Action("Decrypt1")->isEnabled());
}

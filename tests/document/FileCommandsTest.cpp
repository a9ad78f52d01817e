#include "TestFrame.h"
#include "framework/Files.h"

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {
constexpr char MixedRaw[] = "one\r\ntwo\nthree\rfour\0five\xff\x80\r\n\n";
const std::string MixedBytes(MixedRaw, sizeof MixedRaw - 1);
} // namespace

TEST_F(DocumentTest, FileNewNumbersWindowsFromTwoAndNeverReusesNumbers) {
    TfrmNew* second = frame.Files.FileNew();
    EXPECT_EQ(second->Caption(), "Untitled2");
    EXPECT_EQ(second->windowTitle(), QStringLiteral("Untitled2"));
    EXPECT_EQ(second->y(), 60);
    EXPECT_EQ(second->Edit1().Text(), "");
    EXPECT_EQ(second->Changed().text(), QStringLiteral("false"));
    EXPECT_EQ(frame.Status, QString());
    EXPECT_EQ(frame.DocumentArea().currentSubWindow(), second);

    second->close();
    FlushDeletes();
    TfrmNew* third = frame.Files.FileNew();
    EXPECT_EQ(third->Caption(), "Untitled3");
    EXPECT_EQ(frame.Files.WindowCounter(), 3);
}

TEST_F(DocumentTest, PlainFileWithNulBytesAndMixedLineEndsRoundTripsByteForByte) {
    const std::string source = Path("mixed.txt");
    WriteFile(source, MixedBytes);
    AnswerOpen(source, ftText);
    TfrmNew* window = frame.Files.FileOpen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Edit1().Text(), MixedBytes);
    EXPECT_EQ(window->Caption(), source);
    EXPECT_EQ(frame.Status, QString::fromStdString("File: " + source));
    EXPECT_EQ(window->Changed().text(), QStringLiteral("false")) << "a fresh file is unchanged";
    EXPECT_EQ(window->y(), 60);

    // Saved back under its own name and under a new one: the same bytes.
    WriteFile(source, "overwritten");
    frame.Files.FileSave(*window);
    EXPECT_EQ(ReadFile(source), MixedBytes);
    const std::string copy = Path("copy.txt");
    AnswerSave(copy, ftText);
    frame.Files.FileSaveAs(*window);
    EXPECT_EQ(ReadFile(copy), MixedBytes);
    EXPECT_EQ(window->Caption(), copy);
    EXPECT_EQ(frame.Status, QString::fromStdString("File: " + copy));
}

TEST_F(DocumentTest, OpenDialogIsAskedWithItsTitleFilterAndRememberedChoice) {
    const std::string first = Path("a.c");
    const std::string second = Path("b.c");
    WriteFile(first, "first");
    WriteFile(second, "second");
    seam->openAnswers.push_back(TScriptedPlatform::FileAnswer{{first, second}, ftCpp});
    TfrmNew* window = frame.Files.FileOpen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Edit1().Text(), "first") << "with several files only the first opens";
    EXPECT_EQ(frame.DocumentArea().subWindowList().size(), 1);

    seam->openAnswers.push_back(std::nullopt);
    EXPECT_EQ(frame.Files.FileOpen(), nullptr);
    EXPECT_EQ(frame.DocumentArea().subWindowList().size(), 1) << "cancel opens nothing";

    const auto dialogs = seam->CallsOf(TScriptedPlatform::Call::Kind::OpenDialog);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].request.Title, QStringLiteral("Open File with Pennivale"));
    EXPECT_EQ(dialogs[0].request.Filter,
              QStringLiteral("Text Files (*.txt)|*.txt|html, htm (*.html, *.htm)|*.html;*.htm|"
                             "C/C++ Files (*.c, *.cpp, *.h)|*.c;*.cpp;*.h|RichText Files "
                             "(*.rtf)|*.rtf|All Files (*.*)|*.*"));
    EXPECT_TRUE(dialogs[0].request.MultiSelect);
    EXPECT_EQ(dialogs[0].request.FilterIndex, 1);
    EXPECT_EQ(dialogs[1].request.FilterIndex, ftCpp);
    EXPECT_EQ(dialogs[1].request.FileName, first);
}

TEST_F(DocumentTest, EmptyFileOpensAsEmptyDocument) {
    const std::string empty = Path("empty.txt");
    WriteFile(empty, "");
    AnswerOpen(empty, ftText);
    TfrmNew* window = frame.Files.FileOpen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Edit1().Text(), "");
    EXPECT_EQ(window->Caption(), empty);
}

TEST_F(DocumentTest, UnopenablePathsAreReportedNamingTheFileAndTheWindowStaysUntitled) {
    const std::string missing = Path("missing.txt");
    const std::string directory = dir.path().toStdString();
    for (const std::string& path : {missing, directory}) {
        seam->calls.clear();
        seam->messageAnswers.push_back(TModalResult::Ok);
        AnswerOpen(path, ftText);
        TfrmNew* window = nullptr;
        Run([&] { window = frame.Files.FileOpen(); });
        const auto messages = Messages();
        ASSERT_EQ(messages.size(), 1u) << path;
        EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(path))) << path;
        EXPECT_EQ(messages[0].icon, TMsgIcon::Stop);
        const auto windows = frame.DocumentArea().subWindowList();
        ASSERT_FALSE(windows.isEmpty());
        auto* left = static_cast<TfrmNew*>(windows.last());
        EXPECT_EQ(left->Caption(), "Untitled") << path;
        EXPECT_EQ(left->Edit1().Text(), "") << path;
    }
    // The system's reason is named too.
    EXPECT_TRUE(Messages()[0].text.contains(QStringLiteral("directory"), Qt::CaseInsensitive))
        << Messages()[0].text.toStdString();
}

TEST_F(DocumentTest, ReadOnlyFileOpens) {
    const std::string path = Path("readonly.txt");
    WriteFile(path, "locked");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    AnswerOpen(path, ftText);
    TfrmNew* window = frame.Files.FileOpen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Edit1().Text(), "locked");
}

TEST_F(DocumentTest, FileTypeChoiceGovernsOpenAndSave) {
    const std::string rtf = Path("doc.rtf");
    WriteFile(rtf, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello \\b bold\\b0\\par}");
    const std::string plain = Path("plain.txt");
    WriteFile(plain, "just text\r\n");

    // An RTF file opened as All Files shows its source.
    AnswerOpen(rtf, ftAll);
    TfrmNew* source = frame.Files.FileOpen();
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->Edit1().Text().rfind("{\\rtf1", 0), 0u);

    // Opened as RichText it shows its text.
    AnswerOpen(rtf, ftRichText);
    TfrmNew* rich = frame.Files.FileOpen();
    ASSERT_NE(rich, nullptr);
    EXPECT_EQ(rich->Edit1().Text().substr(0, 10), "Hello bold");
    EXPECT_EQ(rich->Caption(), rtf);
    EXPECT_EQ(rich->Changed().text(), QStringLiteral("false"));

    // A plain file opened as RichText loads as plain text.
    AnswerOpen(plain, ftRichText);
    TfrmNew* asRich = frame.Files.FileOpen();
    ASSERT_NE(asRich, nullptr);
    EXPECT_EQ(asRich->Edit1().Text().substr(0, 9), "just text");

    // File Save follows the save dialog's last type, not how the file was
    // opened: plain until RichText is chosen there.
    frame.Files.FileSave(*rich);
    EXPECT_EQ(ReadFile(rtf).substr(0, 10), "Hello bold");
    const std::string saved = Path("saved");
    AnswerSave(saved, ftRichText);
    frame.Files.FileSaveAs(*rich);
    EXPECT_EQ(rich->Caption(), saved + ".rtf");
    EXPECT_EQ(ReadFile(saved + ".rtf").rfind("{\\rtf", 0), 0u);
    frame.Files.FileSave(*asRich);
    EXPECT_EQ(ReadFile(plain).rfind("{\\rtf", 0), 0u) << "RichText is now the save type";
}

TEST_F(DocumentTest, SaveAsAppendsTheTypeExtensionOnlyWhenMissing) {
    struct Case {
        const char* name;
        int filterIndex;
        const char* expected;
    };
    const Case cases[] = {
        {"/d/notes", ftText, "/d/notes.txt"},     {"/d/notes.txt", ftText, "/d/notes.txt"},
        {"/d/NOTES.TXT", ftText, "/d/NOTES.TXT"}, {"/d/page.htm", ftHtml, "/d/page.htm.html"},
        {"/d/page.HTML", ftHtml, "/d/page.HTML"}, {"/d/main.c", ftCpp, "/d/main.c.cpp"},
        {"/d/doc", ftRichText, "/d/doc.rtf"},     {"/d/any.thing", ftAll, "/d/any.thing"},
        {"/d/txt", ftText, "/d/txt.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithTypeExtension(c.name, c.filterIndex), c.expected) << c.name;
    }

    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("x");
    const std::string notes = Path("notes.txt");
    AnswerSave(notes, ftText);
    frame.Files.FileSaveAs(*window);
    EXPECT_EQ(window->Caption(), notes);
    EXPECT_EQ(ReadFile(notes), "x");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(notes + ".txt")));
}

TEST_F(DocumentTest, SaveDialogIsAskedWithItsTitleFilterAndRememberedChoice) {
    TfrmNew* window = frame.Files.FileNew();
    AnswerSave(Path("one"), ftHtml);
    frame.Files.FileSaveAs(*window);
    seam->saveAnswers.push_back(std::nullopt);
    frame.Files.FileSaveAs(*window);
    const auto dialogs = seam->CallsOf(TScriptedPlatform::Call::Kind::SaveDialog);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].request.Title, QStringLiteral("Save File with Pennivale"));
    EXPECT_EQ(dialogs[0].request.Filter,
              QStringLiteral("Text Files (*.txt)|*.txt|html, htm (*.html, *.htm)|*.html;*.htm|"
                             "C/C++ Files (*.c, *.cpp)|*.c;*.cpp|RichText Format (*.rtf)|*.rtf|"
                             "All Files (*.*)|*.*"));
    EXPECT_FALSE(dialogs[0].request.MultiSelect);
    EXPECT_EQ(dialogs[1].request.FilterIndex, ftHtml);
    EXPECT_EQ(dialogs[1].request.FileName, Path("one"));
    EXPECT_EQ(window->Caption(), Path("one") + ".html") << "cancel leaves the caption";
}

TEST_F(DocumentTest, FileSaveOnUntitledWindowAsksAndCancelKeepsCaption) {
    frame.Files.FileNew();
    TfrmNew* window = frame.Files.FileNew();
    ASSERT_EQ(window->Caption(), "Untitled3");
    window->Edit1().SetText("typed");
    ASSERT_EQ(window->Changed().text(), QStringLiteral("true"));
    seam->saveAnswers.push_back(std::nullopt);
    frame.Files.FileSave(*window);
    EXPECT_EQ(seam->CallsOf(TScriptedPlatform::Call::Kind::SaveDialog).size(), 1u);
    EXPECT_EQ(window->Caption(), "Untitled3");
    EXPECT_EQ(frame.Status, QStringLiteral("File: Untitled3"));
    EXPECT_EQ(window->Changed().text(), QStringLiteral("true"));
}

TEST_F(DocumentTest, NameThatIsNotARealPathAsksAgainUntilAbsoluteOrCancelled) {
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("data");
    AnswerSave("relative/name", ftAll);
    AnswerSave("also-relative", ftAll);
    const std::string real = Path("real.txt");
    AnswerSave(real, ftAll);
    frame.Files.FileSave(*window);
    EXPECT_EQ(seam->CallsOf(TScriptedPlatform::Call::Kind::SaveDialog).size(), 3u);
    EXPECT_EQ(window->Caption(), real);
    EXPECT_EQ(ReadFile(real), "data");
    EXPECT_EQ(window->Changed().text(), QStringLiteral("false"));
    EXPECT_FALSE(IsRealFilePath("Untitled3"));
    EXPECT_FALSE(IsRealFilePath("c:\\notes.txt"));
    EXPECT_TRUE(IsRealFilePath("/home/x/notes.txt"));
}

TEST_F(DocumentTest, SaveIntoUnwritableDirectoryIsReportedAndKeepsTheChangedFlag) {
    // As root a directory's mode does not stop a write; /proc refuses anyone.
    std::string target;
    if (geteuid() == 0) {
        target = "/proc/pennivale-unwritable.txt";
    } else {
        QDir(dir.path()).mkdir(QStringLiteral("locked"));
        target = Path("locked/notes.txt");
        ASSERT_EQ(chmod(Path("locked").c_str(), 0555), 0);
    }
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("precious");
    frame.Status = QStringLiteral("before");
    AnswerSave(target, ftText);
    seam->messageAnswers.push_back(TModalResult::Ok);
    Run([&] { frame.Files.FileSaveAs(*window); });
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(target)));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral(": "))) << "the system's reason";
    EXPECT_EQ(window->Changed().text(), QStringLiteral("true"));
    EXPECT_EQ(window->Caption(), "Untitled2");
    EXPECT_EQ(frame.Status, QStringLiteral("before"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(target)));
}

TEST_F(DocumentTest, SaveCutShortByFileSizeLimitLeavesOldFileIntact) {
    const std::string path = Path("limited.txt");
    const std::string old(1000, 'o');
    WriteFile(path, old);
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText(std::string(100000, 'n'));
    AnswerSave(path, ftText);
    seam->messageAnswers.push_back(TModalResult::Ok);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    Run([&] { frame.Files.FileSaveAs(*window); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadFile(path), old);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.contains(QString::fromStdString(path)));
    EXPECT_EQ(window->Changed().text(), QStringLiteral("true"));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("limited.txt")});
}

#if defined(__SANITIZE_ADDRESS__)
#define PENNIVALE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PENNIVALE_ASAN 1
#endif
#endif

TEST_F(DocumentTest, FileTooLargeForMemoryIsReportedWithoutExitOrLoss) {
#ifdef PENNIVALE_ASAN
    GTEST_SKIP() << "the sanitizer's allocator aborts on a failed allocation";
#else
    TfrmNew* other = frame.Files.FileNew();
    other->Edit1().SetText("keep me");
    // A sparse file larger than the memory the process may have: the address
    // space is capped for the moment, whatever the system's overcommit policy.
    const std::string huge = Path("huge.bin");
    {
        QFile file(QString::fromStdString(huge));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (!file.resize(qint64(8) << 30)) {
            GTEST_SKIP() << "no sparse 8 GiB file here";
        }
    }
    AnswerOpen(huge, ftText);
    seam->messageAnswers.push_back(TModalResult::Ok);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit capped = saved;
    capped.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(2) << 30);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    Run([&] { frame.Files.FileOpen(); });
    setrlimit(RLIMIT_AS, &saved);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.contains(QStringLiteral("memory"), Qt::CaseInsensitive))
        << Messages()[0].text.toStdString();
    EXPECT_EQ(other->Edit1().Text(), "keep me");
    auto* opened = static_cast<TfrmNew*>(frame.DocumentArea().subWindowList().last());
    EXPECT_EQ(opened->Caption(), "Untitled");
    EXPECT_EQ(opened->Edit1().Text(), "");
#endif
}

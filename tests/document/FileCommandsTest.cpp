#include "TestFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <algorithm>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

TEST_F(DocumentTest, PlainFileWithNulBytesAndMixedLineEndsRoundTripsByteForByte) {
    constexpr char raw[] = "one\r\ntwo\nthree\rfour\0five\xff\x80\r\n\n";
    const std::string bytes(raw, sizeof raw - 1);
    const std::string source = Path("mixed.txt");
    WriteFile(source, bytes);
    TfrmNew* window = Open(source, ftText);
    EXPECT_EQ(window->Edit1().Text(), bytes);
    EXPECT_EQ(window->Caption(), source);
    EXPECT_EQ(frame.Status, QString::fromStdString("File: " + source));
    EXPECT_EQ(Flag(window), "false") << "a fresh file is unchanged";
    EXPECT_EQ(window->Edit1().size(), window->size() - QSize(20, 50));

    // Saved back under its own name and under a new one, a line break in it:
    // the same bytes, and the name shown on one line.
    WriteFile(source, "overwritten");
    frame.Files.FileSave(*window);
    EXPECT_EQ(ReadFile(source), bytes);
    const std::string copy = Path("two\nlines.txt");
    AnswerSave(copy, ftText);
    frame.Files.FileSaveAs(*window);
    EXPECT_EQ(ReadFile(copy), bytes);
    EXPECT_EQ(window->Caption(), copy) << "the caption keeps the name's bytes for File Save";
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral("two\u240Alines.txt")));
    EXPECT_EQ(frame.Status, QStringLiteral("File: ") + window->windowTitle());
    window->Edit1().SetText("again");
    frame.Files.FileSave(*window);
    EXPECT_EQ(ReadFile(copy), "again");

    WriteFile(Path("empty.txt"), "");
    EXPECT_EQ(Open(Path("empty.txt"), ftText)->Edit1().Text(), "") << "an empty file";
}

TEST_F(DocumentTest, FileDialogsRememberTheirLastChoiceAndStartInTheDocumentsFolder) {
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const std::string first = Path("sub/a.c");
    WriteFile(first, "first");
    seam->openAnswers.push_back(TScriptedPlatform::FileAnswer{{first, Path("b.c")}, ftCpp});
    TfrmNew* window = frame.Files.FileOpen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Edit1().Text(), "first") << "with several files only the first opens";
    seam->openAnswers.push_back(std::nullopt);
    EXPECT_EQ(frame.Files.FileOpen(), nullptr);
    EXPECT_EQ(frame.DocumentArea().subWindowList().size(), 1) << "cancel opens nothing";
    AnswerSave(Path("one"), ftHtml);
    frame.Files.FileSaveAs(*window);
    CancelSave();
    frame.Files.FileSaveAs(*window);
    EXPECT_EQ(window->Caption(), Path("one") + ".html") << "cancel leaves the caption";

    const auto opens = seam->CallsOf(TCall::Kind::OpenDialog);
    const auto saves = seam->CallsOf(TCall::Kind::SaveDialog);
    ASSERT_TRUE(opens.size() == 2 && saves.size() == 2);
    EXPECT_EQ(opens[0].request.Title, QStringLiteral("Open File with Pennivale"));
    EXPECT_EQ(saves[0].request.Title, QStringLiteral("Save File with Pennivale"));
    EXPECT_TRUE(opens[0].request.MultiSelect && !saves[0].request.MultiSelect);
    EXPECT_EQ(opens[0].request.FilterIndex, ftText);
    EXPECT_EQ(opens[0].request.Directory, "") << "no document open";
    EXPECT_EQ(opens[1].request.FilterIndex, ftCpp);
    EXPECT_EQ(opens[1].request.FileName, first);
    EXPECT_EQ(opens[1].request.Directory, Path("sub")) << "the active document's folder";
    EXPECT_EQ(saves[0].request.FileName, first) << "Save As offers the document's own name";
    EXPECT_EQ(saves[1].request.FilterIndex, ftHtml);
    EXPECT_EQ(saves[1].request.FileName, Path("one") + ".html");
    // The rich-text choice is the fourth of five types in both dialogs.
    for (const TCall& call : {opens[0], saves[0]}) {
        const QStringList filter = call.request.Filter.split(QLatin1Char('|'));
        ASSERT_EQ(filter.size(), 2 * ftAll);
        EXPECT_EQ(filter[2 * ftRichText - 1], QStringLiteral("*.rtf"));
    }
}

TEST_F(DocumentTest, UnopenableFilesAreReportedNamingTheFileButReadOnlyFilesOpen) {
    for (const std::string& path : {Path("missing.txt"), dir.path().toStdString()}) {
        SCOPED_TRACE(path);
        seam->calls.clear();
        seam->messageAnswers.push_back(TModalResult::Ok);
        Run([&] { Open(path, ftText); });
        const TCall message = OnlyMessage();
        EXPECT_TRUE(message.text.contains(QString::fromStdString(path)));
        EXPECT_EQ(message.icon, TMsgIcon::Stop);
        EXPECT_EQ(frame.LastWindow()->Caption(), "Untitled");
        EXPECT_EQ(frame.LastWindow()->Edit1().Text(), "");
    }
    // The system's reason is named too.
    EXPECT_TRUE(Messages()[0].text.contains(QStringLiteral("directory"), Qt::CaseInsensitive));

    const std::string readOnly = Path("readonly.txt");
    WriteFile(readOnly, "locked");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(Open(readOnly, ftText)->Edit1().Text(), "locked");
}

TEST_F(DocumentTest, FileTypeChoiceGovernsOpenAndSave) {
    const std::string rtf = Path("doc.rtf");
    WriteFile(rtf, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello \\b bold\\b0\\par}");
    const std::string plain = Path("plain.txt");
    WriteFile(plain, "just text\r\n");

    // An RTF file opened as All Files shows its source.
    EXPECT_EQ(Open(rtf, ftAll)->Edit1().Text().rfind("{\\rtf1", 0), 0u);

    // Opened as RichText it shows its text; a plain file so opened loads as plain text.
    TfrmNew* rich = Open(rtf, ftRichText);
    EXPECT_EQ(rich->Edit1().Text().substr(0, 10) + rich->Caption() + Flag(rich),
              "Hello bold" + rtf + "false");
    TfrmNew* asRich = Open(plain, ftRichText);
    EXPECT_EQ(asRich->Edit1().Text(), "just text\r\n");

    // File Save keeps each window's own format, whatever type a Save As of
    // another window chose last.
    TfrmNew* other = frame.Files.FileNew();
    other->Edit1().SetText("other");
    AnswerSave(Path("other"), ftRichText);
    frame.Files.FileSaveAs(*other);
    EXPECT_TRUE(ReadFile(Path("other.rtf")).starts_with("{\\rtf"));
    frame.Files.FileSave(*asRich);
    EXPECT_EQ(ReadFile(plain), "just text\r\n") << "loaded as plain text, saved as plain text";
    frame.Files.FileSave(*rich);
    EXPECT_TRUE(ReadFile(rtf).starts_with("{\\rtf")) << "loaded as rich text, saved as rich text";

    // Save As writes the type its dialog chose, and File Save follows it.
    AnswerSave(Path("as-text.txt"), ftText);
    frame.Files.FileSaveAs(*rich);
    frame.Files.FileSave(*rich);
    EXPECT_EQ(ReadFile(Path("as-text.txt")).substr(0, 10), "Hello bold");
    frame.Files.FileSave(*other);
    EXPECT_TRUE(ReadFile(Path("other.rtf")).starts_with("{\\rtf"));

    // An untitled window goes through Save As and takes its type.
    TfrmNew* untitled = frame.Files.FileNew();
    untitled->Edit1().SetText("fresh");
    AnswerSave(Path("fresh"), ftRichText);
    frame.Files.FileSave(*untitled);
    EXPECT_TRUE(ReadFile(Path("fresh.rtf")).starts_with("{\\rtf"));
    EXPECT_EQ(untitled->Format(), TDocumentFormat::RichText);
}

TEST_F(DocumentTest, SaveAsAppendsTheTypeExtensionOnlyWhenMissing) {
    // The name chosen, its file type and the name written.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"notes.txt", ftText, "notes.txt"},
        {"NOTES.TXT", ftText, "NOTES.TXT"},
        {"page.htm", ftHtml, "page.htm.html"},
        {"main.c", ftCpp, "main.c.cpp"},
        {"doc", ftRichText, "doc.rtf"},
        {"any.thing", ftAll, "any.thing"},
        {"txt", ftText, "txt.txt"}};
    TfrmNew* window = frame.Files.FileNew();
    for (const auto& [chosen, filterIndex, written] : cases) {
        window->Edit1().SetText(chosen);
        AnswerSave(Path(chosen), filterIndex);
        frame.Files.FileSaveAs(*window);
        EXPECT_EQ(window->Caption(), Path(written)) << chosen;
    }
    EXPECT_EQ(ReadFile(Path("notes.txt")), "notes.txt");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("notes.txt.txt"))));
}

TEST_F(DocumentTest, SaveAsAsksBeforeReplacingTheFileItWouldWrite) {
    WriteFile(Path("old.txt"), "old");
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("new");
    // "old" under Text Files would write old.txt: No keeps the dialog open,
    // and the next name is taken.
    AnswerSave(Path("old"), ftText);
    seam->overwriteAnswers.push_back(false);
    AnswerSave(Path("other.txt"), ftText);
    frame.Files.FileSaveAs(*window);
    EXPECT_EQ(ReadFile(Path("old.txt")) + ReadFile(Path("other.txt")), "oldnew");
    AnswerSave(Path("old.txt"), ftText); // Yes replaces it
    seam->overwriteAnswers.push_back(true);
    frame.Files.FileSaveAs(*window);
    EXPECT_EQ(ReadFile(Path("old.txt")), "new");
    EXPECT_EQ(seam->CallsOf(TCall::Kind::OverwriteQuestion)[0].text.toStdString(), Path("old.txt"));
}

TEST_F(DocumentTest, FileSaveOfANameThatIsNoRealPathAsksForOne) {
    frame.Files.FileNew();
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("typed");

    CancelSave(); // the caption stays; the status line names it all the same
    frame.Files.FileSave(*window);
    EXPECT_EQ(SaveDialogs(), 1u);
    EXPECT_EQ(window->Caption(), "Untitled3");
    EXPECT_EQ(frame.Status, QStringLiteral("File: Untitled3"));
    EXPECT_EQ(Flag(window), "true");

    // Names that are not absolute paths are asked for again.
    AnswerSave("relative/name", ftAll);
    AnswerSave("c:\\notes.txt", ftAll);
    AnswerSave(Path("real.txt"), ftAll);
    frame.Files.FileSave(*window);
    EXPECT_EQ(SaveDialogs(), 4u);
    EXPECT_EQ(window->Caption(), Path("real.txt"));
    EXPECT_EQ(ReadFile(Path("real.txt")), "typed");
    EXPECT_EQ(Flag(window), "false");
}

TEST_F(DocumentTest, AFailedSaveIsReportedKeepsTheFlagAndLeavesTheOldFileWhole) {
    const std::string old(1000, 'o');
    WriteFile(Path("limited.txt"), old);
    // As root a directory's mode does not stop a write; /proc refuses anyone.
    std::string unwritable = "/proc/pennivale-unwritable.txt";
    if (geteuid() != 0) {
        QDir(dir.path()).mkdir(QStringLiteral("locked"));
        unwritable = Path("locked/notes.txt");
        ASSERT_EQ(chmod(Path("locked").c_str(), 0555), 0);
    }
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const bool sizeLimit : {false, true}) { // a directory we may not write, a full disk
        const std::string target = sizeLimit ? Path("limited.txt") : unwritable;
        seam->calls.clear();
        TfrmNew* window = frame.Files.FileNew();
        window->Edit1().SetText(std::string(100000, 'n'));
        frame.Status = QStringLiteral("before");
        AnswerSave(target, ftText);
        if (sizeLimit) {
            seam->overwriteAnswers.push_back(true);
        }
        seam->messageAnswers.push_back(TModalResult::Ok);
        rlimit limited = saved;
        limited.rlim_cur = sizeLimit ? 4096 : saved.rlim_cur;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        Run([&] { frame.Files.FileSaveAs(*window); });
        setrlimit(RLIMIT_FSIZE, &saved);
        const QString message = OnlyMessage().text;
        EXPECT_TRUE(message.contains(QString::fromStdString(target + ": "))) << "and the reason";
        EXPECT_EQ(Flag(window) + window->Caption().substr(0, 8), "trueUntitled");
        EXPECT_EQ(frame.Status, QStringLiteral("before"));
    }
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(unwritable)));
    EXPECT_EQ(ReadFile(Path("limited.txt")), old);
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
    seam->messageAnswers.push_back(TModalResult::Ok);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit capped = saved;
    capped.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(2) << 30);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    Run([&] { Open(huge, ftText); });
    setrlimit(RLIMIT_AS, &saved);
    const QString message = OnlyMessage().text;
    EXPECT_TRUE(message.contains(QStringLiteral("memory")) && message.contains(huge.c_str()));
    EXPECT_EQ(other->Edit1().Text(), "keep me");
    EXPECT_EQ(frame.LastWindow()->Caption(), "Untitled");
    EXPECT_EQ(frame.LastWindow()->Edit1().Text(), "");
#endif
}

TEST_F(DocumentTest, LoadsAndSavesReportHowFarTheyHaveCome) {
    // Several pieces' worth of text, plain and rich.
    std::string big;
    for (int line = 0; big.size() < (size_t{5} << 19); ++line) {
        big += "line " + std::to_string(line) + " of a long file\r\n";
    }
    WriteFile(Path("big.txt"), big);
    auto job = [&](const std::function<void()>& run) {
        frame.Progress = TRecordedProgress{};
        run();
        const TRecordedProgress& p = frame.Progress;
        EXPECT_EQ(p.begun, 1);
        EXPECT_EQ(p.ended, 1);
        EXPECT_GE(p.reports.size(), 3u) << "reported along the way, not just at the end";
        EXPECT_TRUE(std::is_sorted(p.reports.begin(), p.reports.end()));
        EXPECT_DOUBLE_EQ(p.reports.empty() ? 0 : p.reports.back(), 1.0);
        EXPECT_GE(p.reports.empty() ? 1 : p.reports.front(), 0.0);
    };
    TfrmNew* window = nullptr;
    job([&] { window = Open(Path("big.txt"), ftText); });
    ASSERT_EQ(window->Edit1().Text(), big) << "the pieces make the whole";
    job([&] { frame.Files.FileSave(*window); });
    EXPECT_EQ(ReadFile(Path("big.txt")), big);
    AnswerSave(Path("big.rtf"), ftRichText);
    job([&] { frame.Files.FileSaveAs(*window); });
    job([&] { window = Open(Path("big.rtf"), ftRichText); });
    std::string paragraphs = big; // paragraphs come back as breaks of the default kind
    paragraphs.erase(std::remove(paragraphs.begin(), paragraphs.end(), '\r'), paragraphs.end());
    EXPECT_EQ(window->Edit1().Text(), paragraphs);

    // The window closed while its file loads (the close waits in the event
    // queue): it goes once the load is over, asking nothing and writing nothing.
    frame.Progress = TRecordedProgress{};
    frame.Progress.onReport = [&] {
        if (frame.Progress.reports.size() == 1) {
            QMetaObject::invokeMethod(frame.LastWindow(), &QWidget::close, Qt::QueuedConnection);
        }
    };
    const QPointer<TfrmNew> closing = Open(Path("big.txt"), ftText);
    QCoreApplication::processEvents();
    EXPECT_TRUE(closing.isNull() || !closing->isVisible());
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(ReadFile(Path("big.txt")), big);

    // A load that fails ends its job too.
    frame.Progress = TRecordedProgress{};
    seam->messageAnswers.push_back(TModalResult::Ok);
    Run([&] { Open(Path("absent.txt"), ftText); });
    EXPECT_EQ(frame.Progress.begun, frame.Progress.ended);
}

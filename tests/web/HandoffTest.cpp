// The preview file, and a hand-off that fails.
#include "web/Handoff.h"

#include "WebTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST_F(WebTest, PreviewWritesTheTextAsItIsNeverThroughALink) {
    QTemporaryDir runtime; // the preview goes to this run's runtime directory
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const std::string preview = runtime.path().toStdString() + "/PennivalePreview.html";
    TfrmNew* window = frame.Files.FileNew();
    const std::string victim = Path("victim.txt");
    WriteFile(victim, "precious");
    const std::string texts[] = {std::string("<p>caf\xE9</p>\r\n\0end\n", 18), "", "linked"};
    for (const std::string& text : texts) {
        if (&text == &texts[2]) { // a link planted at the preview's name
            ASSERT_EQ(::unlink(preview.c_str()) + ::symlink(victim.c_str(), preview.c_str()), 0);
        }
        seam->calls.clear();
        window->Edit1().SetText(text);
        const std::string flag = Flag(window);
        Run([&] { PreviewDocument(frame.Files, *window); });
        EXPECT_EQ(ReadFile(preview), text);
        EXPECT_EQ(Opened(), std::vector<std::string>{preview});
        EXPECT_EQ(Flag(window), flag) << "a preview is no save of the document's own file";
    }
    EXPECT_EQ(ReadFile(victim), "precious");

    // the name taken by a folder: reported, and nothing opens
    seam->calls.clear();
    ASSERT_EQ(::unlink(preview.c_str()) + ::mkdir(preview.c_str(), 0700), 0);
    Run([&] { PreviewDocument(frame.Files, *window); });
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Cannot create file " + preview + ": ", 0), 0u);
    EXPECT_TRUE(Opened().empty());

    // a runtime directory others may enter is passed over for a folder of the
    // program's own, for the user alone
    ::chmod(runtime.path().toLocal8Bit().constData(), 0755);
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    const std::string own = Path("pennivale-") + std::to_string(::getuid());
    EXPECT_EQ(PreviewFilePath(), own + "/PennivalePreview.html");
    qunsetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    EXPECT_TRUE(::lstat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
                (st.st_mode & 0777) == 0700);

    // an opener that fails says so once it has ended, naming the start of the
    // target; the command did not wait for it
    seam->calls.clear();
    seam->shellOpenSucceeds = false;
    window->Edit1().SetText(std::string(300, 'm'));
    Run([&] { SendByEmail(*window); });
    EXPECT_TRUE(Boxes().empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"No program could be started to open mailto:?Body=" +
                                       std::string(87, 'm') + "..."});
    EXPECT_EQ(Messages()[0].icon, TMsgIcon::Stop);
}

} // namespace

// The hand-offs to the desktop: preview file, mail URL, home page.
#include "web/Handoff.h"

#include "WebTestSupport.h"
#include "framework/ui/RichEdit.h"
#include "web/Site.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class HandoffTest : public WebTest {
protected:
    HandoffTest() {
        // the preview goes to this run's own runtime directory
        runtime.setAutoRemove(true);
        oldRuntime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
        ::setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    }
    ~HandoffTest() override {
        if (oldRuntime.empty()) {
            ::unsetenv("XDG_RUNTIME_DIR");
        } else {
            ::setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
        }
    }
    QTemporaryDir runtime;
    std::string oldRuntime;
};

TEST_F(HandoffTest, PreviewWritesTheTextAsItIsAndOpensIt) {
    const std::string preview = PreviewFilePath();
    EXPECT_EQ(preview, runtime.path().toStdString() + "/PennivalePreview.html");
    TfrmNew* window = frame.Files.FileNew();
    const std::string text("<p>caf\xE9</p>\r\n\0end\n", 18);
    for (const std::string& bytes : {text, std::string()}) {
        seam->calls.clear();
        window->Edit1().SetText(bytes);
        const bool changed = window->IsChanged();
        Run([&] { PreviewDocument(frame.Files, *window); });
        EXPECT_EQ(ReadFile(preview), bytes);
        EXPECT_EQ(Opened(), std::vector<std::string>{preview});
        // a preview is no save of the document's own file
        EXPECT_EQ(window->IsChanged(), changed);
        EXPECT_EQ(window->Caption(), "Untitled2");
    }
    EXPECT_TRUE(Boxes().empty());

    // A link planted at the preview's name is replaced, never written through.
    const std::string victim = Path("victim.txt");
    WriteFile(victim, "precious");
    ::unlink(preview.c_str());
    ASSERT_EQ(::symlink(victim.c_str(), preview.c_str()), 0);
    window->Edit1().SetText("preview");
    Run([&] { PreviewDocument(frame.Files, *window); });
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_FALSE(QFileInfo(QString::fromStdString(preview)).isSymLink());
    EXPECT_EQ(ReadFile(preview), "preview");

    // A runtime directory others may enter is not used: the program makes
    // a folder of its own under the temporary directory.
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    const std::string own = Path("pennivale-") + std::to_string(::getuid());
    EXPECT_EQ(PreviewFilePath(), own + "/PennivalePreview.html");
    struct stat st {};
    ASSERT_EQ(::lstat(own.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    qputenv("TMPDIR", oldTemp);
}

TEST_F(HandoffTest, AFailedPreviewOrHandOffIsReported) {
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("changed");
    // the preview's name taken by a folder: the write fails, nothing opens
    const std::string preview = PreviewFilePath();
    ASSERT_EQ(::mkdir(preview.c_str(), 0700), 0);
    Run([&] { PreviewDocument(frame.Files, *window); });
    ::rmdir(preview.c_str());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Cannot create file " + preview, 0), 0u) << Boxes()[0];
    EXPECT_TRUE(Opened().empty());
    EXPECT_EQ(Flag(window), "true");

    seam->calls.clear();
    seam->shellOpenSucceeds = false;
    window->Edit1().SetText(std::string(300, 'm'));
    Run([&] { SendByEmail(*window); });
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"No program could be started to open mailto:?Body=" +
                                       std::string(100 - 13, 'm') + "..."});
}

TEST_F(HandoffTest, MailAndHomePageGoToTheDesktopAsExactURLs) {
    TfrmNew* window = frame.Files.FileNew();
    const std::pair<std::string, std::string> mails[] = {
        {"", "mailto:?Body="},
        {"a & b", "mailto:?Body=a%20%26%20b"},
        {"x&to=evil@example.com\r\nbye", "mailto:?Body=x%26to%3Devil%40example.com%0D%0Abye"},
    };
    for (const auto& [text, url] : mails) {
        window->Edit1().SetText(text);
        seam->calls.clear();
        Run([&] { SendByEmail(*window); });
        EXPECT_EQ(Opened(), std::vector<std::string>{url});
    }
    seam->calls.clear();
    Run([&] { OpenHomePage(); });
    EXPECT_EQ(Opened(), std::vector<std::string>{HomePageUrl()});
    EXPECT_EQ(HomePageUrl().rfind("http://", 0), 0u);
}

} // namespace

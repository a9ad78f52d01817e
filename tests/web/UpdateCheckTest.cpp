// The update check against a loopback update server.
#include "web/UpdateCheck.h"

#include "WebTestSupport.h"

namespace {

TEST_F(WebTest, UpdateCheckAnswersFromTheUpdateFileOrShowsOnlyTheError) {
    const std::string yes = "There are Updates! Do you want to go to the Download Page?";
    const std::string no = "There are not Updates!";
    const std::string download = "http://download.test/pennivale";
    loopback::RefusingPort refusing;
    const struct {
        std::string sent;
        std::optional<TModalResult> answer; // to the Yes/No box
        std::string box;
    } cases[] = {
        {Reply("2.32"), std::nullopt, no},
        {Reply("2.33"), TModalResult::Yes, yes},
        {Reply(" 2.5 "), TModalResult::No, yes},
        {Reply("2.5\r\n", "404 Not Found"), std::nullopt,
         "'2.5\r\n' is not a valid floating point value."},
        // a body cut short is no answer, however new its start
        {Reply("2.33 and more").substr(0, 43), std::nullopt,
         "The server closed the connection after 4 of the 13 bytes it announced."},
    };
    std::vector<std::string> replies;
    for (const auto& c : cases) {
        replies.push_back(c.sent);
    }
    loopback::Server server = Serving(replies);
    frame.import.hide();
    for (const auto& c : cases) {
        seam->calls.clear();
        if (c.answer) {
            seam->messageAnswers.push_back(*c.answer);
        }
        const int packets = frame.packets;
        const TProgressBar& bar = frame.import.ProgressBar();
        const auto before = std::tuple(bar.Position(), bar.Max(), bar.Busy());
        Run([&] { CheckForUpdates(frame, server.Url("/pennivale/update.txt"), download); });
        ASSERT_EQ(Boxes(), std::vector<std::string>{c.box});
        const TCall box = Messages()[0];
        if (c.box == yes || c.box == no) {
            EXPECT_EQ(box.title, QStringLiteral("Pennivale Update"));
            EXPECT_EQ(box.icon, TMsgIcon::None);
            EXPECT_EQ(box.buttons, c.box == no ? TMsgButtons::Ok : TMsgButtons::YesNo);
        }
        EXPECT_EQ(Opened().size(), c.answer == TModalResult::Yes ? 1u : 0u);
        // the import dialog's bar is not the update check's
        EXPECT_GT(frame.packets, packets);
        EXPECT_EQ(std::tuple(bar.Position(), bar.Max(), bar.Busy()), before);
    }
    EXPECT_EQ(server.Request().rfind("GET /pennivale/update.txt HTTP/1.0\r\n", 0), 0u);
    seam->calls.clear();
    Run([&] {
        CheckForUpdates(frame, "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/",
                        download);
    });
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Connection Failed."});
}

} // namespace

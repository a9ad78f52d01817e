// The update check against a loopback update server.
#include "web/UpdateCheck.h"

#include "WebTestSupport.h"

namespace {

using loopback::Connection;
using loopback::Server;

const std::string Download = "http://download.test/pennivale";

TEST_F(WebTest, UpdateCheckAnswersFromTheUpdateFile) {
    const std::string yesNo = "There are Updates! Do you want to go to the Download Page?";
    const std::string none = "There are not Updates!";
    const struct {
        std::string body;
        std::optional<TModalResult> answer; // to the Yes/No box
        std::string box;
    } cases[] = {
        {"2.32", std::nullopt, none},
        {"2.33", TModalResult::Yes, yesNo},
        {"10", TModalResult::No, yesNo},
        {"2.3", std::nullopt, none},
        {" 2.5 ", TModalResult::Yes, yesNo},
        {"", std::nullopt, none},
        {"2.5\r\n", std::nullopt, "'2.5\r\n' is not a valid floating point value."},
        {"not a number", std::nullopt, "'not a number' is not a valid floating point value."},
    };
    Server server([&](Connection& c) {
        c.ReadRequest();
        const std::string& body = cases[static_cast<std::size_t>(c.Index())].body;
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
               body);
    });
    frame.import.hide();
    for (const auto& c : cases) {
        seam->calls.clear();
        if (c.answer) {
            seam->messageAnswers.push_back(*c.answer);
        }
        const int position = frame.import.ProgressBar().Position();
        Run([&] { CheckForUpdates(frame, server.Url("/pennivale/update.txt"), Download); });
        const auto boxes = Messages();
        ASSERT_EQ(boxes.size(), 1u) << c.body;
        EXPECT_EQ(boxes[0].text.toStdString(), c.box) << c.body;
        if (c.box == yesNo || c.box == none) {
            EXPECT_EQ(boxes[0].title, QStringLiteral("Pennivale Update"));
            EXPECT_EQ(boxes[0].icon, TMsgIcon::None);
            EXPECT_EQ(boxes[0].buttons, c.box == none ? TMsgButtons::Ok : TMsgButtons::YesNo);
        }
        EXPECT_EQ(Opened(), c.answer == TModalResult::Yes ? std::vector<std::string>{Download}
                                                          : std::vector<std::string>{})
            << c.body;
        // the check moves the import dialog's bar on too, hidden as it is
        if (!c.body.empty()) {
            EXPECT_GT(frame.import.ProgressBar().Position(), position) << c.body;
        }
    }
    EXPECT_EQ(server.Request(0).substr(0, 38), "GET /pennivale/update.txt HTTP/1.0\r\nHo");
}

TEST_F(WebTest, UpdateCheckThatCannotAskShowsOnlyTheError) {
    loopback::RefusingPort refusing;
    Server error404([](Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.0 404 Not Found\r\n\r\n<html>gone</html>");
    });
    const std::pair<std::string, std::string> cases[] = {
        {"http://127.0.0.1:" + std::to_string(refusing.Port()) + "/pennivale/update.txt",
         "Connection Failed."},
        {error404.Url("/pennivale/update.txt"),
         "'<html>gone</html>' is not a valid floating point value."},
    };
    for (const auto& [url, message] : cases) {
        seam->calls.clear();
        Run([&] { CheckForUpdates(frame, url, Download); });
        EXPECT_EQ(Boxes(), std::vector<std::string>{message});
        EXPECT_TRUE(Opened().empty());
    }
}

} // namespace

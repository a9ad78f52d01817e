// The about box: the scrolling credit line and its links.
#include "tests/common/DocumentTestSupport.h"
#include "web/Site.h"
#include "web/Unit3.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class AboutTest : public DocumentTestSupport {
protected:
    std::vector<std::string> Opened() {
        std::vector<std::string> targets;
        for (const TCall& call : seam->CallsOf(TCall::Kind::ShellOpen)) {
            targets.push_back(call.text.toStdString());
        }
        return targets;
    }
    TfrmAbout about{nullptr};
};

TEST_F(AboutTest, TheLineScrollsInOnceThenAlternatesItsTwoTexts) {
    const QString credit = QString::fromStdString("Created by " + AuthorName());
    const QString email = QString::fromStdString("E-mail  " + AuthorEmail());
    EXPECT_EQ(frmAbout, &about);
    // running from creation, shown or not
    EXPECT_TRUE(about.Timer1().isActive());
    EXPECT_EQ(about.Timer1().interval(), 10);
    about.Timer1().stop();
    EXPECT_EQ(about.anim().x(), 224);
    EXPECT_EQ(about.anim().text(), credit);
    for (int tick = 0; tick < 71; ++tick) {
        about.Timer1Timer();
    }
    EXPECT_EQ(about.anim().x(), 82);
    EXPECT_EQ(about.anim().text(), credit);
    // the first text after the scroll is the e-mail line, then they take turns
    for (const QString& text : {email, credit, email, credit}) {
        about.Timer1Timer();
        EXPECT_EQ(about.anim().text(), text);
        EXPECT_EQ(about.anim().x(), 82);
        EXPECT_EQ(about.Timer1().interval(), 3000);
    }
    EXPECT_EQ(about.CreditCounter(), 1);

    // shown again later, the line stands where it was
    about.ShowAbout();
    about.OKButton().click();
    EXPECT_FALSE(about.isVisible());
    about.Timer1Timer();
    about.ShowAbout();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.anim().x(), 82);
    EXPECT_EQ(about.anim().text(), email);
    EXPECT_EQ(about.size(), QSize(332, 210));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Pennivale"));
}

TEST_F(AboutTest, TheLineMailsTheAuthorAndTheLinkOpensTheSite) {
    QTest::mouseClick(&about.anim(), Qt::LeftButton);
    QTest::mouseClick(&about.Label2(), Qt::LeftButton);
    EXPECT_EQ(
        Opened(),
        (std::vector<std::string>{
            "mailto:" + AuthorEmail() + "?Subject=Pennivale%20User&Body=Dear%20" +
                QUrl::toPercentEncoding(QString::fromStdString(AuthorFirstName())).toStdString() +
                "%2C",
            DownloadPageUrl()}));
    EXPECT_EQ(about.anim().toolTip(), QStringLiteral("Click to send me an Email"));
    EXPECT_EQ(about.Label2().toolTip(), QStringLiteral("Click here to visit Pennivale Web Site"));
    EXPECT_EQ(about.Label2().text(), QStringLiteral("Pennivale on the Web..."));
    EXPECT_EQ(about.titolo().text(), QStringLiteral("Pennivale  V.2.3"));
}

} // namespace

// The about box: the scrolling credit line and its links.
#include "WebTestSupport.h"
#include "web/Site.h"
#include "web/Unit3.h"

#include <QLabel>
#include <QTest>

namespace {

TEST_F(WebTest, AboutLineScrollsInOnceThenAlternatesAndItsLinksOpen) {
    TfrmAbout about(nullptr);
    const QString credit = QString::fromStdString("Created by " + AuthorName());
    const QString email = QString::fromStdString("E-mail  " + AuthorEmail());
    // running from creation, shown or not
    EXPECT_TRUE(about.Timer1().isActive() && about.Timer1().interval() == 10);
    about.Timer1().stop();
    for (int tick = 0; tick < 71; ++tick) {
        about.Timer1Timer();
    }
    EXPECT_EQ(about.anim().text(), credit);
    // the e-mail text first, then turns every 3 seconds, the line at 82
    for (const QString& text : {email, credit, email}) {
        about.Timer1Timer();
        EXPECT_EQ(about.anim().text(), text);
        EXPECT_EQ(about.anim().pos(), QPoint(82, 50));
        EXPECT_EQ(about.Timer1().interval(), 3000);
    }
    about.ShowAbout();
    // the link reads well on the black box (blue did not), whole, clear of its edge
    EXPECT_NEAR(ContrastRatio(Qt::blue, Qt::black), 2.44, 0.01);
    const QLabel& link = about.Label2();
    EXPECT_GE(ContrastRatio(link.palette().color(QPalette::WindowText), Qt::black), 4.5);
    EXPECT_GE(link.width(), link.sizeHint().width());
    EXPECT_LE(link.geometry().right(), about.width() - 12);
    about.OKButton().click();
    EXPECT_FALSE(about.isVisible());

    QTest::mouseClick(&about.anim(), Qt::LeftButton);
    QTest::mouseClick(&about.Label2(), Qt::LeftButton);
    const QByteArray greeting =
        QUrl::toPercentEncoding(QString::fromStdString("Dear " + AuthorFirstName() + ","));
    EXPECT_EQ(Opened(), (std::vector<std::string>{
                            "mailto:" + AuthorEmail() +
                                "?Subject=Pennivale%20User&Body=" + greeting.toStdString(),
                            DownloadPageUrl()}));
}

} // namespace

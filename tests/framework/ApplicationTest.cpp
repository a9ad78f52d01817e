#include "framework/ui/Application.h"

#include "framework/Exceptions.h"
#include "framework/ui/ScriptedPlatform.h"

#include <QCoreApplication>
#include <QStatusTipEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>

using Kind = TScriptedPlatform::Call::Kind;

TEST(Application, ErrorBoxAddsAFullStopOnlyWhenMissing) {
    EXPECT_EQ(TApplication::ErrorBoxText("Range check error"),
              QStringLiteral("Range check error."));
    EXPECT_EQ(TApplication::ErrorBoxText("Done."), QStringLiteral("Done."));
    EXPECT_EQ(TApplication::ErrorBoxText("Is it?"), QStringLiteral("Is it?."));
    EXPECT_EQ(TApplication::ErrorBoxText(""), QString());
    // File names arrive as the system's UTF-8; other texts in the code page.
    EXPECT_EQ(TApplication::ErrorBoxText("Cannot open file /tmp/\xC3\xA9t\xC3\xA9"),
              QStringLiteral(u"Cannot open file /tmp/\u00e9t\u00e9."));
    EXPECT_EQ(TApplication::ErrorBoxText("caf\xE9"), QStringLiteral(u"caf\u00e9."));
}

TEST(Application, DispatchShowsWhatACommandRaisesAndGoesOn) {
    TScriptedPlatformScope platform;
    Application().SetTitle(QStringLiteral("Pennivale 2.32"));
    bool ranAfter = false;
    Application().Dispatch([] { throw ERangeError(); });
    Application().Dispatch([] { throw std::runtime_error("plain failure"); });
    Application().Dispatch([] { throw std::bad_alloc(); });
    Application().Dispatch([&] { ranAfter = true; });
    EXPECT_TRUE(ranAfter);
    const auto boxes = platform->CallsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Range check error."));
    EXPECT_EQ(boxes[1].text, QStringLiteral("plain failure."));
    EXPECT_EQ(boxes[2].text, QStringLiteral("Out of memory."));
    for (const auto& box : boxes) {
        EXPECT_EQ(box.title, QStringLiteral("Pennivale 2.32"));
        EXPECT_EQ(box.icon, TMsgIcon::Stop);
        EXPECT_EQ(box.buttons, TMsgButtons::Ok);
    }
}

TEST(Application, StatusTipsBecomeTheHint) {
    QWidget widget;
    QStringList hints;
    QObject::connect(&Application(), &TApplication::OnHint, &widget,
                     [&](const QString& hint) { hints << hint; });
    QStatusTipEvent over(QStringLiteral("Save current file"));
    QCoreApplication::sendEvent(&widget, &over);
    QStatusTipEvent again(QStringLiteral("Save current file"));
    QCoreApplication::sendEvent(&widget, &again);
    QStatusTipEvent off{QString()};
    QCoreApplication::sendEvent(&widget, &off);
    EXPECT_EQ(hints, (QStringList{QStringLiteral("Save current file"), QString()}));
    EXPECT_EQ(Application().Hint(), QString());
}

// The desktop's opener as the Qt seam starts it, with a stand-in xdg-open
// first on the path, so no browser or mail program is ever started.
#include "framework/ui/Platform.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

TEST(QtPlatform, TheOpenerIsNotWaitedForAndAFailureIsToldOnceItHasEnded) {
    QTemporaryDir bin;
    const QByteArray dir = bin.path().toLocal8Bit();
    // As xdg-open: 0 once handed off, 3 when nothing can open the target;
    // a "held:" target first waits for the test to let it go.
    QFile opener(bin.filePath(QStringLiteral("xdg-open")));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\ncase \"$1\" in\n held:*) while [ ! -e '" + dir +
                 "/go' ]; do sleep 0.02; done ;;\n http:*) exit 0 ;;\nesac\nexit 3\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir);

    const std::unique_ptr<TPlatform> platform = MakeQtPlatform();
    std::vector<std::string> failed;
    const auto open = [&](const std::string& target) {
        platform->ShellOpen(target, [&failed, target] { failed.push_back(target); });
    };
    // Runs the event loop until something failed, or for a fault 20 s have gone by.
    const auto failures = [&] {
        for (const QDeadlineTimer deadline(20000); failed.empty() && !deadline.hasExpired();) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return std::exchange(failed, {});
    };
    open("http://handed.off/");
    open("held:mailto:?Body=x"); // returns while its opener waits
    QFile(bin.filePath(QStringLiteral("go"))).open(QIODevice::WriteOnly);
    EXPECT_EQ(failures(), std::vector<std::string>{"held:mailto:?Body=x"});
    // no opener at all: told from the event loop too
    qputenv("PATH", "/nonexistent");
    open("http://nowhere/");
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(failures(), std::vector<std::string>{"http://nowhere/"});
    qputenv("PATH", path);
}

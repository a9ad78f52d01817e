#include "framework/StringList.h"

#include "framework/Exceptions.h"
#include "framework/Files.h"
#include "framework/Streams.h"

#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(StringList, SortedListsKeepTheirOrderAndFindWithoutCase) {
    TStringList list;
    list.Add("pear");
    list.Add("Apple");
    list.SetSorted(true);
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"Apple", "pear"}));
    EXPECT_EQ(list.Add("banana"), 1);
    EXPECT_EQ(list.Add("\xC9"
                       "clair"),
              3)
        << "compared through the lower-case table";
    EXPECT_EQ(list.IndexOf("PEAR"), 2);
    EXPECT_EQ(list.IndexOf("\xE9"
                           "clair"),
              3);
    EXPECT_EQ(list.IndexOf("fig"), -1);
    EXPECT_THROW(list.Insert(0, "x"), EListError);
    EXPECT_THROW(list.Delete(4), EListError);
    EXPECT_THROW(list.Get(-1), EListError);
    list.Delete(0);
    EXPECT_EQ(list[0], "banana");
}

TEST(StringList, TextSplitsAtEveryKindOfLineEnd) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(Streams, FileStreamsReportTheFileTheyCouldNotUse) {
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/data.bin";
    {
        TFileStream out(name, TFileMode::Create);
        out.WriteString(std::string("\0\r\n\xFF", 4));
        EXPECT_EQ(out.Size(), 4);
    }
    TFileStream in(name, TFileMode::OpenRead);
    char buffer[8] = {};
    EXPECT_EQ(in.Read(buffer, 8), 4);
    EXPECT_EQ(std::string(buffer, 4), std::string("\0\r\n\xFF", 4));
    EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);
    try {
        TFileStream missing(name + ".none", TFileMode::OpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + name + ".none");
    }
    EXPECT_THROW(TFileStream(dir.path().toStdString(), TFileMode::OpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.path().toStdString() + "/no/x", TFileMode::Create), EFCreateError);
}

TEST(Files, SafeWritesKeepPermissionsAndFollowLinks) {
    QTemporaryDir dir;
    const std::string real = dir.path().toStdString() + "/real.txt";
    const std::string link = dir.path().toStdString() + "/link.txt";
    WriteFileBytes(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);
    WriteFileBytes(link, "new bytes");
    EXPECT_EQ(ReadFileBytes(real), "new bytes");
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Files, ReadOnlyFilesAreRefusedNotReplaced) {
    QTemporaryDir dir;
    const std::string locked = dir.path().toStdString() + "/locked.txt";
    WriteFileBytes(locked, "keep");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    // The directory is writable, so only the file's own mode protects it; as
    // root, whom no mode stops, the write is tried as an ordinary user.
    ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(2);
        }
        try {
            WriteFileBytes(locked, "replaced");
        } catch (const EFCreateError&) {
            ::_exit(LastFileErrorReason() == std::strerror(EACCES) ? 0 : 3);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: replaced; 3: another reason";
    EXPECT_EQ(ReadFileBytes(locked), "keep");
}

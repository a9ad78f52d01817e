#include "framework/StringList.h"

#include "framework/Exceptions.h"
#include "framework/Files.h"
#include "framework/Streams.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

#include "net/Nmextstr.h"

#include "framework/SysUtils.h"

#include <gtest/gtest.h>

TEST(NmextstrTest, IndexOfNameMatchesNameBeforeFirstColonInAnyCase) {
    TExStringList list;
    list.Add("GET / HTTP/1.0");
    list.Add("Host : spaced");
    list.Add("host: y");
    list.Add("X-A: 1: 2");
    list.Add("Host: second");
    EXPECT_EQ(list.IndexOfName("Host"), 2);
    EXPECT_EQ(list.IndexOfName("HOST"), 2);
    EXPECT_EQ(list.IndexOfName("Host "), 1);
    EXPECT_EQ(list.IndexOfName("x-a"), 3);
    EXPECT_EQ(list.IndexOfName("GET / HTTP/1.0"), -1);
    EXPECT_EQ(list.IndexOfName("GET / HTTP/1.0 "), -1);
    EXPECT_EQ(list.IndexOfName("Missing"), -1);
    EXPECT_EQ(list.IndexOfName(""), -1);
    // letters of the code page match their other case too
    list.Add("\xc9t\xe9: v");
    EXPECT_EQ(list.IndexOfName("\xe9T\xc9"), 5);
}

TEST(NmextstrTest, GetValueDropsOneSpaceAfterColon) {
    TExStringList list;
    list.Add("A: x");
    list.Add("B:y");
    list.Add("C:  two");
    list.Add("D:");
    list.Add("E: 1: 2");
    EXPECT_EQ(list.GetValue("a"), "x");
    EXPECT_EQ(list.GetValue("B"), "y");
    EXPECT_EQ(list.GetValue("C"), " two");
    EXPECT_EQ(list.GetValue("D"), "");
    EXPECT_EQ(list.GetValue("E"), "1: 2");
    EXPECT_EQ(list.GetValue("F"), "");
}

TEST(NmextstrTest, SetValueRewritesInPlaceAddsAtEndAndRemoves) {
    TExStringList list;
    list.Add("first");
    list.Add("host: y");
    list.Add("last: z");
    list.SetValue("Host", "x");
    EXPECT_EQ(list.Get(1), "Host: x");
    EXPECT_EQ(list.Count(), 3);
    list.SetValue("New", "n");
    EXPECT_EQ(list.Get(3), "New: n");
    list.SetValue("host", "");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOfName("Host"), -1);
    list.SetValue("Absent", "");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(), "first\r\nlast: z\r\nNew: n\r\n");
}

TEST(NmextstrTest, SortedListFindsNamesByBinarySearch) {
    TExStringList list;
    list.SetSorted(true);
    // "a-b" sorts before "a" by whole line (the "-" before the ":"), which a
    // search by bare names would get wrong
    for (const char* line : {"a: 1", "a-b: 2", "zeta: 3", "A: dup", "mid: 4", "nocolon", "b:5"}) {
        list.Add(line);
    }
    for (int i = 0; i < list.Count(); ++i) {
        const std::string& line = list.Get(i);
        const auto colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const int expected = [&] {
            for (int j = 0;; ++j) {
                if (AnsiSameText(list.Get(j).substr(0, list.Get(j).find(':')),
                                 line.substr(0, colon)))
                    return j;
            }
        }();
        EXPECT_EQ(list.IndexOfName(line.substr(0, colon)), expected) << line;
    }
    EXPECT_EQ(list.IndexOfName("nocolon"), -1);
    EXPECT_EQ(list.IndexOfName("ZETA"), list.IndexOf("zeta: 3"));
    EXPECT_EQ(list.IndexOfName("c"), -1);
    // a new line goes to its sorted place and keeps the list searchable
    list.SetValue("c", "new");
    EXPECT_GE(list.IndexOfName("c"), 0);
    for (int i = 1; i < list.Count(); ++i) {
        EXPECT_LE(AnsiCompareText(list.Get(i - 1), list.Get(i)), 0);
    }
}

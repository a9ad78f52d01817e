#include "net/Nmextstr.h"

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
    // "a-b: 2" sorts before "a: 1" by whole line (the "-" before the ":"),
    // which a search by bare names would get wrong
    for (const char* line : {"a: 1", "a-b: 2", "zeta: 3", "A: dup", "mid: 4", "nocolon", "b:5"}) {
        list.Add(line);
    }
    EXPECT_EQ(list.Text(), "a-b: 2\r\na: 1\r\nA: dup\r\nb:5\r\nmid: 4\r\nnocolon\r\nzeta: 3\r\n");
    EXPECT_EQ(list.IndexOfName("a-b"), 0);
    EXPECT_EQ(list.IndexOfName("A"), 1); // the first of two
    EXPECT_EQ(list.IndexOfName("b"), 3);
    EXPECT_EQ(list.IndexOfName("ZETA"), 6);
    EXPECT_EQ(list.IndexOfName("nocolon"), -1);
    EXPECT_EQ(list.IndexOfName("c"), -1);
    // a new line goes to its sorted place, not into an empty line at the head
    list.SetValue("c", "new");
    EXPECT_EQ(list.IndexOfName("c"), 4);
    EXPECT_EQ(list.Get(4), "c: new");
}

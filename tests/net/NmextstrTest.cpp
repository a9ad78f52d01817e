#include "net/Nmextstr.h"

#include <gtest/gtest.h>

TEST(NmextstrTest, NamesAreTheTextBeforeTheFirstColonInAnyCase) {
    TExStringList list;
    for (const char* line : {"GET / HTTP/1.0", "Host : spaced", "host: y", "X-A: 1: 2", "B:y",
                             "C:  two", "D:", "\xc9t\xe9: v"}) {
        list.Add(line);
    }
    EXPECT_EQ(list.IndexOfName("HOST"), 2); // names are not trimmed
    EXPECT_EQ(list.IndexOfName("Host "), 1);
    EXPECT_EQ(list.IndexOfName("\xe9T\xc9"), 7); // letters of the code page too
    EXPECT_EQ(list.IndexOfName("GET / HTTP/1.0"), -1);
    EXPECT_EQ(list.IndexOfName(""), -1);
    const std::pair<const char*, const char*> values[] = {
        {"host", "y"}, {"x-a", "1: 2"}, {"B", "y"}, {"C", " two"}, {"D", ""}, {"Missing", ""}};
    for (const auto& [name, value] : values) {
        EXPECT_EQ(list.GetValue(name), value) << name;
    }
}

TEST(NmextstrTest, SetValueRewritesInPlaceAddsAtEndAndRemoves) {
    TExStringList list;
    list.Add("first");
    list.Add("host: y");
    list.Add("last: z");
    list.SetValue("Host", "x");
    EXPECT_EQ(list.Text(), "first\r\nHost: x\r\nlast: z\r\n");
    list.SetValue("New", "n");
    list.SetValue("host", "");
    list.SetValue("Absent", "");
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
    // a new line goes to its sorted place, not into an empty line at the head
    list.SetValue("c", "new");
    EXPECT_EQ(list.Get(4), "c: new");
    EXPECT_EQ(list.IndexOfName("c"), 4);
}

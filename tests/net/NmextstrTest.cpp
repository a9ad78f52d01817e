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

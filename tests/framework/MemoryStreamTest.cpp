// The memory stream: writes that overwrite, extend and leave gaps, against a
// plain model of its bytes; growth that copies a bounded number of times.
#include "framework/Streams.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(MemoryStream, WritesAgreeWithAPlainModelWhereverThePositionIs) {
    TMemoryStream stream;
    std::string model;
    std::int64_t at = 0;
    // positions inside, at and past the end; writes short and across the end
    const struct {
        std::int64_t seek;
        std::string bytes;
    } steps[] = {
        {0, "hello"},
        {5, " world"},
        {0, "J"},
        {9, "LD!!"},
        {20, "gap"},
        {21, "xyzw"},
        {2, std::string("\0\0", 2)},
        {25, "end"},
        {0, ""},
        {3, std::string(100000, 'b')},
    };
    for (const auto& step : steps) {
        stream.SetPosition(step.seek);
        at = step.seek;
        if (!step.bytes.empty()) {
            if (static_cast<std::size_t>(at) > model.size()) {
                model.resize(static_cast<std::size_t>(at), '\0');
            }
            model.replace(static_cast<std::size_t>(at), step.bytes.size(), step.bytes);
        }
        EXPECT_EQ(stream.Write(step.bytes.data(), static_cast<std::int64_t>(step.bytes.size())),
                  static_cast<std::int64_t>(step.bytes.size()));
        EXPECT_EQ(stream.Position(), at + static_cast<std::int64_t>(step.bytes.size()));
        ASSERT_EQ(stream.DataString(), model) << "after writing at " << step.seek;
    }
    stream.SetPosition(0);
    std::string back(model.size(), '?');
    stream.ReadBuffer(back.data(), static_cast<std::int64_t>(back.size()));
    EXPECT_EQ(back, model);
}

TEST(MemoryStream, GrowsGeometricallyAndAReservationMovesNothing) {
    TMemoryStream stream;
    const std::string block(1000, 'g');
    int moves = 0;
    const char* where = stream.DataString().data();
    for (int i = 0; i < 10000; ++i) {
        stream.WriteString(block);
        if (stream.DataString().data() != where) {
            ++moves;
            where = stream.DataString().data();
        }
    }
    EXPECT_EQ(stream.Size(), 10000 * 1000);
    EXPECT_LE(moves, 30); // doubling from a small start to 10 MB: about 20
    TMemoryStream reserved;
    reserved.Reserve(10000 * 1000);
    where = reserved.DataString().data();
    for (int i = 0; i < 10000; ++i) {
        reserved.WriteString(block);
    }
    EXPECT_EQ(reserved.DataString().data(), where);
    EXPECT_EQ(reserved.DataString(), stream.DataString());
}

} // namespace

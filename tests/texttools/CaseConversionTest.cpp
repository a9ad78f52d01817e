#include "texttools/CaseConversion.h"

#include <gtest/gtest.h>

TEST(CaseConversion, ByTheCodePageOrByThePlainLettersAlone) {
    using C = TCaseConversion;
    const std::tuple<C, const char*, const char*> cases[] = {
        {C::AllUpper, "hello world", "HELLO WORLD"},
        {C::InitialUpper, "hello world", "Hello world"},
        {C::Reverse, "Hello World 42", "hELLO wORLD 42"},
        {C::InitialUpper, " hello", " hello"},
        {C::InitialUpper, "\xE9t\xE9", "\xE9t\xE9"},
        // Windows-1252 beyond ASCII: e acute, y diaeresis, s and z caron, oe;
        // sharp s, micro, division and ordinal signs stay.
        {C::AllUpper, "caf\xE9 \xFF\x9A\x9E\x9C \xDF\xB5\xF7\xAA",
         "CAF\xC9 \x9F\x8A\x8E\x8C \xDF\xB5\xF7\xAA"},
        {C::AllLower, "CAF\xC9 \x9F\x8A\x8E\x8C \xD7\xDE", "caf\xE9 \xFF\x9A\x9E\x9C \xD7\xFE"},
        {C::Reverse, "caf\xE9 \xC9", "CAF\xE9 \xC9"},
        {C::AllUpper, "a\r\nb\rc\nd\x01", "A\r\nB\rC\nD\x01"},
    };
    for (const auto& [conversion, in, out] : cases) {
        EXPECT_EQ(ConvertCase(in, conversion), out) << in;
    }
}

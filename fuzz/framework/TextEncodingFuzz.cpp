// Detects, decodes and encodes arbitrary bytes in every encoding, and checks
// that each file comes back byte for byte and both validators agree.
#include "framework/TextEncoding.h"
#include "framework/Utf8.h"
#include "framework/Utf8Validate.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool ValidBySequenceLength(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const int length = Utf8::SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

// A text that holds the encoded form of U+DC80..U+DCFF, or that of a high
// surrogate right before that of a low one: UTF-16 cannot keep these apart
// from an ill-formed byte or a character.
bool HoldsAmbiguousForm(std::string_view t) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(t[i]); };
    const auto form = [&](std::size_t i, unsigned char low, unsigned char high) {
        return i + 2 < t.size() && at(i) == 0xED && at(i + 1) >= low && at(i + 1) <= high &&
               (at(i + 2) & 0xC0) == 0x80;
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (form(i, 0xB2, 0xB3) || (form(i, 0xA0, 0xAF) && form(i + 3, 0xB0, 0xBF))) {
            return true;
        }
    }
    return false;
}

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

constexpr TEncoding kEncodings[] = {TEncoding::Windows1252, TEncoding::Utf8, TEncoding::Utf8Bom,
                                    TEncoding::Utf16LE, TEncoding::Utf16BE};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool valid = ValidBySequenceLength(input);
    Check(Utf8::IsValid(input) == valid);
    Check(Utf8::detail::IsValidScalar(input) == valid);
    if (Utf8::detail::HasAvx2()) {
        Check(Utf8::detail::IsValidAvx2(input) == valid);
    }
    if (Utf8::detail::HasSsse3()) {
        Check(Utf8::detail::IsValidSsse3(input) == valid);
    }

    for (const TEncoding fallback : kEncodings) {
        const TEncoding detected = DetectEncoding(input, fallback);
        // What was detected reads and writes the file back as it was.
        const TDecodedFile decoded = DecodeFile(input, detected);
        Check(EncodeFile(decoded.text, detected, decoded.oddByte) == input);
        if (detected == TEncoding::Utf8) {
            Check(valid || fallback == TEncoding::Utf8);
        }
    }
    for (const TEncoding encoding : kEncodings) {
        // With the encoding's own mark in front, any bytes round-trip.
        const std::string file = EncodeFile("", encoding) + std::string(input);
        const TDecodedFile decoded = DecodeFile(file, encoding);
        Check(EncodeFile(decoded.text, encoding, decoded.oddByte) == file);
        if (IsUnicode(encoding)) {
            // The toolkit's string holds the text byte for byte.
            Check(FromQString(ToQString(decoded.text, encoding), encoding) == decoded.text);
        }
    }
    // A Unicode text through UTF-16 and back.
    const std::string back =
        DecodeFile(EncodeFile(input, TEncoding::Utf16LE), TEncoding::Utf16LE).text;
    Check(back == input || HoldsAmbiguousForm(input));
    std::string page = Utf8ToCodePage(input);
    Check(page.size() <= input.size());
    Check(Utf8ToCodePage(CodePageToUtf8(input)) == input);
    return 0;
}

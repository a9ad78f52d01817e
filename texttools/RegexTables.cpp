#include "texttools/RegexTables.h"

#include "framework/CodePage.h"

#include <QChar>

namespace {

// Offsets of the class bitmaps, each 32 bytes, and the type bits.
enum : int {
    kSpaceBits = 0,
    kHexBits = 32,
    kDigitBits = 64,
    kUpperBits = 96,
    kLowerBits = 128,
    kWordBits = 160,
    kGraphBits = 192,
    kPrintBits = 224,
    kPunctBits = 256,
    kControlBits = 288,
    kBitsSize = 320,
};
enum : std::uint8_t {
    kTypeSpace = 0x01,
    kTypeLetter = 0x02,
    kTypeLowerLetter = 0x04,
    kTypeDigit = 0x08,
    kTypeWord = 0x10,
};

} // namespace

std::array<std::uint8_t, kRegexTablesSize> BuildRegexTables(const TByteTraits& traits) {
    using K = TByteTraits;
    std::array<std::uint8_t, kRegexTablesSize> t{};
    std::uint8_t* const flip = t.data() + 256;
    std::uint8_t* const bits = t.data() + 512;
    std::uint8_t* const types = bits + kBitsSize;
    for (int b = 0; b < 256; ++b) {
        const unsigned k = traits.kinds[b];
        t[b] = traits.lower[b];
        flip[b] = (k & K::Lower) != 0 ? traits.upper[b] : traits.lower[b];
        const bool word = (k & (K::Letter | K::Digit)) != 0 || b == '_';
        auto set = [&](int table, bool on) {
            if (on) {
                bits[table + b / 8] |= static_cast<std::uint8_t>(1u << (b % 8));
            }
        };
        set(kDigitBits, (k & K::Digit) != 0);
        set(kUpperBits, (k & K::Upper) != 0);
        set(kLowerBits, (k & K::Lower) != 0);
        set(kWordBits, word);
        set(kSpaceBits, (k & K::Space) != 0);
        set(kHexBits, (k & K::HexDigit) != 0);
        set(kGraphBits, (k & K::Graphic) != 0);
        set(kPrintBits, (k & K::Printable) != 0);
        set(kPunctBits, (k & K::Punctuation) != 0);
        set(kControlBits, (k & K::Control) != 0);
        types[b] = static_cast<std::uint8_t>(
            ((k & K::Space) != 0 ? kTypeSpace : 0) | ((k & K::Letter) != 0 ? kTypeLetter : 0) |
            ((k & K::Lower) != 0 ? kTypeLowerLetter : 0) | ((k & K::Digit) != 0 ? kTypeDigit : 0) |
            (word ? kTypeWord : 0));
    }
    return t;
}

const std::array<std::uint8_t, kRegexTablesSize>& CodePageRegexTables() {
    static const auto tables = [] {
        using K = TByteTraits;
        TByteTraits traits;
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            const QChar ch(CodePage::ToUnicode(byte));
            const bool digit = b >= '0' && b <= '9';
            // The ASCII spaces only: 0x85 is an ellipsis here, not a line end.
            const bool space = b == ' ' || (b >= '\t' && b <= '\r');
            const bool control = ch.category() == QChar::Other_Control;
            const bool graphic = !control && !space && !ch.isSpace();
            const bool letter = CodePage::IsLetter(byte);
            unsigned k = 0;
            k |= digit ? K::Digit : 0;
            k |= letter && ch.isUpper() ? K::Upper : 0;
            k |= letter && ch.isLower() ? K::Lower : 0;
            k |= letter ? K::Letter : 0;
            k |= space ? K::Space : 0;
            k |= digit || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F') ? K::HexDigit : 0;
            k |= graphic ? K::Graphic : 0;
            k |= control ? 0 : K::Printable;
            k |= graphic && !CodePage::IsAlnum(byte) ? K::Punctuation : 0;
            k |= control ? K::Control : 0;
            traits.kinds[b] = k;
            traits.lower[b] = CodePage::Lower(byte);
            traits.upper[b] = CodePage::Upper(byte);
        }
        return BuildRegexTables(traits);
    }();
    return tables;
}

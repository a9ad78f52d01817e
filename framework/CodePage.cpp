#include "framework/CodePage.h"

#include <QChar>
#include <cstdint>

namespace CodePage {
namespace {

// 0x80..0x9F of Windows-1252; the unassigned bytes keep their C1 value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct Tables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    std::array<bool, 256> alnum{};
    std::array<bool, 256> letter{};
};

const Tables& tables() {
    static const Tables t = [] {
        Tables r;
        for (int b = 0; b < 256; ++b) {
            const QChar ch(ToUnicode(static_cast<unsigned char>(b)));
            const int up = FromUnicode(ch.toUpper().unicode());
            const int low = FromUnicode(ch.toLower().unicode());
            r.upper[b] = static_cast<unsigned char>(up >= 0 ? up : b);
            r.lower[b] = static_cast<unsigned char>(low >= 0 ? low : b);
            r.letter[b] = ch.isLetter();
            r.alnum[b] = ch.isLetter() || ch.isDigit();
        }
        return r;
    }();
    return t;
}

} // namespace

char16_t ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return kHigh[byte - 0x80];
    }
    return byte;
}

int FromUnicode(char32_t ch) {
    // One table over the whole BMP keeps bulk conversion to a load per character.
    static const auto* reverse = [] {
        auto* table = new std::array<std::int16_t, 0x10000>;
        table->fill(-1);
        for (int b = 0; b < 256; ++b) {
            (*table)[ToUnicode(static_cast<unsigned char>(b))] = static_cast<std::int16_t>(b);
        }
        return table;
    }();
    return ch < 0x10000 ? (*reverse)[ch] : -1;
}

unsigned char Upper(unsigned char byte) {
    return tables().upper[byte];
}
unsigned char Lower(unsigned char byte) {
    return tables().lower[byte];
}
const std::array<unsigned char, 256>& UpperTable() {
    return tables().upper;
}
const std::array<unsigned char, 256>& LowerTable() {
    return tables().lower;
}
bool IsAlnum(unsigned char byte) {
    return tables().alnum[byte];
}
bool IsLetter(unsigned char byte) {
    return tables().letter[byte];
}

QString ToQString(std::string_view bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char c : bytes) {
        *dst++ = QChar(ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string FromQString(QStringView text, char replacement) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.push_back(replacement);
            ++i;
            continue;
        }
        const int b = FromUnicode(ch);
        out.push_back(b >= 0 ? static_cast<char>(b) : replacement);
    }
    return out;
}

} // namespace CodePage

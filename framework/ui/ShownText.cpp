#include "framework/ui/ShownText.h"

#include "framework/CodePage.h"
#include "framework/Utf8.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Shown {

namespace {

constexpr char16_t kParagraph = 0x2029;
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kNewlinePicture = 0x2424;
constexpr char16_t kReplacement = 0xFFFD;

bool isPicturedControl(char32_t c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
}

char16_t controlPicture(char32_t c) {
    return c == 0x7F ? char16_t{0x2421} : static_cast<char16_t>(0x2400 + c);
}

const std::array<char16_t, 256>& codePageTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            t[b] = isPicturedControl(byte) ? controlPicture(byte) : CodePage::ToUnicode(byte);
        }
        return t;
    }();
    return table;
}

bool isPicture(char32_t c) {
    return (c >= 0x2400 && c < 0x2420) || c == 0x2421;
}

// A character the document would take for one of its own marks or for
// a break, or that extraction would read back as a control byte.
bool needsLiteral(char32_t c) {
    return isPicture(c) || c == kParagraph || c == kLineSeparator || c == 0xFFFC || c == 0xFDD0 ||
           c == 0xFDD1;
}

char16_t lookAlike(char32_t c) {
    if (c == kParagraph || c == kLineSeparator) {
        return kNewlinePicture;
    }
    return isPicture(c) ? static_cast<char16_t>(c) : kReplacement;
}

void appendUnits(QString& out, char32_t c) {
    if (c >= 0x10000) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(static_cast<char16_t>(c));
    }
}

} // namespace

char16_t CodePageChar(unsigned char byte) {
    return codePageTable()[byte];
}

int CodePageByte(char32_t shown) {
    if (shown == '?') {
        return '?';
    }
    std::string byte;
    AppendBytes(byte, shown, 0, false);
    return byte == "?" ? -1 : static_cast<unsigned char>(byte[0]);
}

TChar CharAt(std::string_view text, std::size_t at, bool unicode) {
    const auto b = static_cast<unsigned char>(text[at]);
    if (!unicode) {
        return {1, codePageTable()[b], 0};
    }
    const int length = Utf8::SequenceLength(text, at);
    if (length == 0) {
        return {1, static_cast<char32_t>(kIllFormedBase + b), 0};
    }
    const char32_t c = Utf8::Decode(text, at, length);
    if (isPicturedControl(c)) {
        return {length, controlPicture(c), 0};
    }
    if (needsLiteral(c)) {
        return {length, lookAlike(c), c};
    }
    return {length, c, 0};
}

int Units(std::string_view body, bool unicode, int* pairs) {
    if (!unicode) {
        return static_cast<int>(body.size());
    }
    int units = 0;
    int fourByte = 0;
    const std::size_t n = body.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII a word at a time: one unit a byte.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, body.data() + i, 8);
            if (word & 0x8080808080808080ull) {
                break;
            }
            i += 8;
            units += 8;
        }
        if (i >= n) {
            break;
        }
        const auto b = static_cast<unsigned char>(body[i]);
        if (b < 0x80) {
            ++i;
            ++units;
            continue;
        }
        const int length = Utf8::SequenceLength(body, i);
        units += length == 4 ? 2 : 1;
        fourByte += length == 4 ? 1 : 0;
        i += length == 0 ? 1 : static_cast<std::size_t>(length);
    }
    if (pairs != nullptr) {
        *pairs = fourByte;
    }
    return units;
}

std::size_t ByteOfUnit(std::string_view body, int units) {
    const std::size_t n = body.size();
    std::size_t i = 0;
    int u = 0;
    while (i < n && u < units) {
        if (u + 8 <= units && i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, body.data() + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                u += 8;
                continue;
            }
        }
        const int length = Utf8::SequenceLength(body, i);
        const int width = length == 4 ? 2 : 1;
        if (u + width > units) {
            break;
        }
        u += width;
        i += length == 0 ? 1 : static_cast<std::size_t>(length);
    }
    return i;
}

int UnitOfByte(std::string_view body, std::size_t byte, bool roundUp) {
    byte = std::min(byte, body.size());
    // A lead byte is never inside another sequence, so the character the
    // byte may be inside starts at most three bytes before it.
    std::size_t start = byte;
    int width = 0;
    for (std::size_t k = 1; k <= 3 && k <= byte; ++k) {
        const std::size_t p = byte - k;
        if ((static_cast<unsigned char>(body[p]) & 0xC0) != 0x80) {
            const int length = Utf8::SequenceLength(body, p);
            if (length > static_cast<int>(k)) {
                start = p;
                width = length == 4 ? 2 : 1;
            }
            break;
        }
    }
    const int before = Units(body.substr(0, start), true);
    return before + (roundUp ? width : 0);
}

void AppendShown(QString& out, std::string_view body, bool unicode,
                 std::vector<TLiteral>* literals) {
    if (!unicode) {
        const auto& table = codePageTable();
        const qsizetype start = out.size();
        out.resize(start + static_cast<qsizetype>(body.size()));
        QChar* dst = out.data() + start;
        for (const char c : body) {
            *dst++ = QChar(table[static_cast<unsigned char>(c)]);
        }
        return;
    }
    // Never more units than bytes: written in place, then cut to size.
    const qsizetype start = out.size();
    out.resize(start + static_cast<qsizetype>(body.size()));
    QChar* const base = out.data();
    QChar* dst = base + start;
    const std::size_t n = body.size();
    for (std::size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(body[i]);
        if (b < 0x80 && !isPicturedControl(b)) {
            *dst++ = QChar(b);
            ++i;
            continue;
        }
        const TChar ch = CharAt(body, i, true);
        if (ch.literal != 0 && literals != nullptr) {
            literals->push_back({dst - base, ch.literal});
        }
        if (ch.shown >= 0x10000) {
            *dst++ = QChar(QChar::highSurrogate(ch.shown));
            *dst++ = QChar(QChar::lowSurrogate(ch.shown));
        } else {
            *dst++ = QChar(static_cast<char16_t>(ch.shown));
        }
        i += static_cast<std::size_t>(ch.bytes);
    }
    out.resize(dst - base);
}

void AppendBytes(std::string& out, char32_t ch, char32_t literal, bool unicode) {
    if (!unicode) {
        if (ch == '\t') {
            out += '\t';
            return;
        }
        int b = -1;
        if (isPicture(ch)) {
            b = ch == 0x2421 ? 0x7F : static_cast<int>(ch - 0x2400);
        } else if (ch < 0x10000) {
            b = CodePage::FromUnicode(ch);
            // Control characters only ever stand in the document as pictures.
            if (b >= 0 && isPicturedControl(static_cast<unsigned char>(b))) {
                b = -1;
            }
        }
        out += b >= 0 ? static_cast<char>(b) : '?';
        return;
    }
    if (literal != 0) {
        Utf8::Append(out, literal);
        return;
    }
    if (ch >= kIllFormedBase + 0x80 && ch <= kIllFormedBase + 0xFF) {
        out += static_cast<char>(ch - kIllFormedBase);
        return;
    }
    if (isPicture(ch)) {
        out += static_cast<char>(ch == 0x2421 ? 0x7F : ch - 0x2400);
        return;
    }
    if ((ch >= 0xD800 && ch <= 0xDFFF) || isPicturedControl(ch)) {
        out += '?';
        return;
    }
    Utf8::Append(out, ch);
}

std::string FromUser(const QString& text, bool unicode, std::string_view lineEnd) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch == '\r' || ch == '\n' || ch == kParagraph || ch == kLineSeparator) {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
            out += lineEnd;
            continue;
        }
        char32_t c = ch;
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(ch, text[++i].unicode());
        }
        if (unicode) {
            // What the user gives is text: a picture is the picture, a
            // control is the control, a lone surrogate nothing that can be.
            if (c >= 0xD800 && c <= 0xDFFF) {
                out += '?';
            } else {
                Utf8::Append(out, c);
            }
            continue;
        }
        if (c >= 0x10000) {
            out += '?'; // one character outside the code page, one "?"
            continue;
        }
        AppendBytes(out, c, 0, false);
    }
    return out;
}

QString ToUser(std::string_view bytes, bool unicode) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r' || b == '\n') {
            out += QChar(b);
            ++i;
            continue;
        }
        const TChar ch = CharAt(bytes, i, unicode);
        if (ch.literal != 0) {
            appendUnits(out, ch.literal);
        } else if (unicode && ch.shown >= kIllFormedBase && ch.shown <= kIllFormedBase + 0xFF) {
            out += QChar(kReplacement);
        } else {
            appendUnits(out, ch.shown);
        }
        i += static_cast<std::size_t>(ch.bytes);
    }
    return out;
}

bool JoinsAcross(std::string_view text, std::size_t at) {
    for (std::size_t k = 1; k <= 3 && k <= at; ++k) {
        const std::size_t p = at - k;
        if (static_cast<unsigned char>(text[p]) >= 0xC2 &&
            Utf8::SequenceLength(text, p) > static_cast<int>(k)) {
            return true;
        }
    }
    return false;
}

} // namespace Shown

#include "net/Nmurl.h"

#include "framework/Exceptions.h"

#include <array>
#include <new>

namespace {

// 0 for a byte copied as it is, 1 for the space, 2 for a byte written as %XX.
constexpr std::array<unsigned char, 256> makeEncodeClass() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const bool alnum =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        table[static_cast<size_t>(c)] = alnum ? 0 : (c == ' ' ? 1 : 2);
    }
    return table;
}
constexpr auto encodeClass = makeEncodeClass();

constexpr char upperHex[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

std::string UrlEncodeBytes(std::string_view text) {
    // Measure first so a long text is written without regrowing.
    size_t size = 0;
    for (const char ch : text) {
        size += encodeClass[static_cast<unsigned char>(ch)] == 2 ? 3 : 1;
    }
    std::string out(size, '\0');
    char* p = out.data();
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (encodeClass[c]) {
        case 0:
            *p++ = ch;
            break;
        case 1:
            *p++ = '+';
            break;
        default:
            p[0] = '%';
            p[1] = upperHex[c >> 4];
            p[2] = upperHex[c & 15];
            p += 3;
            break;
        }
    }
    return out;
}

std::string UrlDecodeBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '+') {
            out += ' ';
        } else if (ch == '%') {
            if (i + 2 >= text.size()) {
                // the escape runs past the end of the text
                throw ERangeError();
            }
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                throw EConvertError("'$" + std::string(text.substr(i + 1, 2)) +
                                    "' is not a valid integer value");
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += ch;
        }
    }
    return out;
}

void TNMURL::fail(const char* operation, const std::string& message) {
    if (OnError) {
        OnError(this, operation, message);
    }
}

std::string TNMURL::URLEncode(std::string_view text) {
    try {
        return UrlEncodeBytes(text);
    } catch (const Exception& e) {
        fail("Error during encode", e.Message());
    } catch (const std::bad_alloc&) {
        fail("Error during encode", "Out of memory");
    }
    return std::string(text);
}

std::string TNMURL::URLDecode(std::string_view text) {
    try {
        return UrlDecodeBytes(text);
    } catch (const Exception& e) {
        fail("Error during decode", e.Message());
    } catch (const std::bad_alloc&) {
        fail("Error during decode", "Out of memory");
    }
    return std::string(text);
}

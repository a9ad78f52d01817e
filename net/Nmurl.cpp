#include "net/Nmurl.h"

#include "framework/Exceptions.h"

#include <array>
#include <cstring>
#include <new>

namespace {

// What each byte becomes: up to three characters and their count. Written
// four bytes at a time without branching, the count says how many stay.
struct EncodedByte {
    char chars[4];
    unsigned char length;
};

constexpr std::array<EncodedByte, 256> makeEncodeTable() {
    constexpr char hex[] = "0123456789ABCDEF";
    std::array<EncodedByte, 256> table{};
    for (int c = 0; c < 256; ++c) {
        auto& e = table[static_cast<size_t>(c)];
        const bool alnum =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alnum) {
            e = {{static_cast<char>(c), 0, 0, 0}, 1};
        } else if (c == ' ') {
            e = {{'+', 0, 0, 0}, 1};
        } else {
            e = {{'%', hex[c >> 4], hex[c & 15], 0}, 3};
        }
    }
    return table;
}
constexpr auto encodeTable = makeEncodeTable();

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
    // Measure first so a long text is written without regrowing; encode
    // through a small buffer so the result's pages are touched once.
    size_t size = 0;
    for (const char ch : text) {
        size += encodeTable[static_cast<unsigned char>(ch)].length;
    }
    std::string out;
    out.reserve(size);
    char buffer[16384 + 4];
    char* p = buffer;
    char* const flushAt = buffer + 16384 - 4;
    for (const char ch : text) {
        const EncodedByte& e = encodeTable[static_cast<unsigned char>(ch)];
        std::memcpy(p, e.chars, 4);
        p += e.length;
        if (p >= flushAt) {
            out.append(buffer, static_cast<size_t>(p - buffer));
            p = buffer;
        }
    }
    out.append(buffer, static_cast<size_t>(p - buffer));
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

std::string TNMURL::convert(std::string_view text, const char* operation,
                            std::string (*conversion)(std::string_view)) {
    try {
        return conversion(text);
    } catch (const Exception& e) {
        fail(operation, e.Message());
    } catch (const std::bad_alloc&) {
        fail(operation, "Out of memory");
    }
    return std::string(text);
}

std::string TNMURL::URLEncode(std::string_view text) {
    return convert(text, "Error during encode", UrlEncodeBytes);
}

std::string TNMURL::URLDecode(std::string_view text) {
    return convert(text, "Error during decode", UrlDecodeBytes);
}

#include "framework/SysUtils.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool parseInt(std::string_view s, std::int32_t& out) {
    size_t i = 0;
    while (i < s.size() && isSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size()) {
        return false;
    }
    std::int64_t value = 0;
    for (; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int digit;
        if (std::isdigit(c)) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(c)) {
            digit = std::tolower(c) - 'a' + 10;
        } else {
            return false;
        }
        value = value * base + digit;
        if (value > std::int64_t{std::numeric_limits<std::uint32_t>::max()}) {
            return false;
        }
    }
    if (negative) {
        value = -value;
    }
    if (base == 10 && (value > std::numeric_limits<std::int32_t>::max() ||
                       value < std::numeric_limits<std::int32_t>::min())) {
        return false;
    }
    out = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return true;
}

} // namespace

char CharAt(std::string_view s, std::int64_t index1) {
    if (index1 < 1 || index1 > static_cast<std::int64_t>(s.size())) {
        throw ERangeError();
    }
    return s[static_cast<size_t>(index1 - 1)];
}

void SetCharAt(std::string& s, std::int64_t index1, char c) {
    if (index1 < 1 || index1 > static_cast<std::int64_t>(s.size())) {
        throw ERangeError();
    }
    s[static_cast<size_t>(index1 - 1)] = c;
}

std::int64_t Pos(std::string_view sub, std::string_view s) {
    if (sub.empty()) {
        return 0;
    }
    const size_t at = s.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<std::int64_t>(at) + 1;
}

std::string Copy(std::string_view s, std::int64_t index1, std::int64_t count) {
    if (index1 < 1) {
        index1 = 1;
    }
    const auto size = static_cast<std::int64_t>(s.size());
    if (index1 > size || count <= 0) {
        return {};
    }
    const std::int64_t n = std::min(count, size - index1 + 1);
    return std::string(s.substr(static_cast<size_t>(index1 - 1), static_cast<size_t>(n)));
}

std::string IntToStr(std::int64_t value) {
    return std::to_string(value);
}

std::int32_t StrToInt(std::string_view s) {
    std::int32_t value = 0;
    if (!parseInt(s, value)) {
        throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    }
    return value;
}

std::int32_t StrToIntDef(std::string_view s, std::int32_t fallback) {
    std::int32_t value = 0;
    return parseInt(s, value) ? value : fallback;
}

double StrToFloat(std::string_view s) {
    const std::string trimmed = Trim(s);
    bool ok = !trimmed.empty();
    double value = 0;
    if (ok) {
        // Only digits, one ".", a sign and an exponent: strtod alone would also
        // take "inf", "nan" and hexadecimal floats.
        for (const char c : trimmed) {
            if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-' ||
                  c == 'e' || c == 'E')) {
                ok = false;
                break;
            }
        }
    }
    if (ok) {
        char* end = nullptr;
        errno = 0;
        value = std::strtod(trimmed.c_str(), &end);
        ok = end == trimmed.c_str() + trimmed.size() && errno != ERANGE;
    }
    if (!ok) {
        throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
    }
    return value;
}

std::int64_t AtoI(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        if (value < std::numeric_limits<std::int64_t>::max() / 10 - 10) {
            value = value * 10 + (s[i] - '0');
        }
    }
    return negative ? -value : value;
}

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') {
        ++b;
    }
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') {
        --e;
    }
    return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
    return TrimLeft(TrimRight(s));
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::string AnsiUpperCase(std::string_view s) {
    std::string out(s);
    const auto& table = CodePage::UpperTable();
    for (char& c : out) {
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    }
    return out;
}

std::string AnsiLowerCase(std::string_view s) {
    std::string out(s);
    const auto& table = CodePage::LowerTable();
    for (char& c : out) {
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    }
    return out;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    const auto& table = CodePage::LowerTable();
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = table[static_cast<unsigned char>(a[i])];
        const int cb = table[static_cast<unsigned char>(b[i])];
        if (ca != cb) {
            return ca - cb;
        }
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AnsiCompareText(a, b) == 0;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) {
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}

#include "web/WebText.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "framework/Utf8.h"

#include <algorithm>
#include <limits>

namespace {

std::string quoted(const std::string& body) {
    return body.size() <= QuotedBodyLimit ? body : body.substr(0, QuotedBodyLimit) + "...";
}

void appendEscaped(std::string& out, unsigned char byte) {
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[byte >> 4];
    out += hex[byte & 0xF];
}

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The charset parameter of a Content-Type value, unquoted; empty when none.
// The media type comes first, then the parameters, each after a semicolon
// outside quoted strings.
std::string_view charsetOf(std::string_view contentType) {
    std::vector<std::string_view> parameters;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < contentType.size(); ++i) {
        const char c = contentType[i];
        if (quoted && c == '\\') {
            ++i; // a quoted pair
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            parameters.push_back(contentType.substr(start, i - start));
            start = i + 1;
        }
    }
    parameters.push_back(contentType.substr(std::min(start, contentType.size())));
    for (std::size_t p = 1; p < parameters.size(); ++p) {
        const std::size_t equals = parameters[p].find('=');
        if (equals != std::string_view::npos &&
            equalsIgnoringCase(trimmed(parameters[p].substr(0, equals)), "charset")) {
            std::string_view value = trimmed(parameters[p].substr(equals + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return {};
}

// The charset of the first Content-Type line before the blank line that
// ends the header.
std::string_view replyCharset(std::string_view header) {
    while (!header.empty()) {
        const std::size_t end = header.find_first_of("\r\n");
        const std::string_view line = header.substr(0, end);
        if (line.empty()) {
            break;
        }
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos &&
            equalsIgnoringCase(line.substr(0, colon), "Content-Type")) {
            return charsetOf(line.substr(colon + 1));
        }
        header.remove_prefix(end == std::string_view::npos ? header.size() : end);
        header.remove_prefix(header.starts_with("\r\n") ? 2 : header.empty() ? 0 : 1);
    }
    return {};
}

} // namespace

bool UpdateAvailable(const std::string& Body) {
    if (Body.empty()) {
        return false;
    }
    double value = 0;
    try {
        // Spaces may stand around the number, but no line end or other
        // control byte: the file holds the number and nothing else.
        const std::size_t first = Body.find_first_not_of(' ');
        const std::size_t last = Body.find_last_not_of(' ');
        if (first == std::string::npos || static_cast<unsigned char>(Body[first]) < ' ' ||
            static_cast<unsigned char>(Body[last]) < ' ') {
            throw EConvertError("");
        }
        value = StrToFloat(Body);
    } catch (const EConvertError&) {
        throw EConvertError("'" + quoted(Body) + "' is not a valid floating point value");
    }
    // A double beyond the float range has no float value; it is still a
    // number greater (or smaller) than any version.
    constexpr double floatMax = std::numeric_limits<float>::max();
    const float version = value > floatMax    ? std::numeric_limits<float>::infinity()
                          : value < -floatMax ? -std::numeric_limits<float>::infinity()
                                              : static_cast<float>(value);
    return version > ThisVersion;
}

std::string MailtoValue(std::string_view text, bool utf8) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\r' || byte == '\n') {
            // Mail lines end in CR LF; a lone CR or LF is a line end too.
            if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += "%0D%0A";
            continue;
        }
        if (unreserved(byte)) {
            out += static_cast<char>(byte);
            continue;
        }
        if (utf8) {
            const int length = Utf8::SequenceLength(text, i);
            const std::string_view sequence =
                length > 0 ? text.substr(i, length) : std::string_view("\xEF\xBF\xBD");
            for (const char b : sequence) {
                appendEscaped(out, static_cast<unsigned char>(b));
            }
            i += std::max(length, 1) - 1;
            continue;
        }
        // The code page's characters all lie in the Basic Multilingual Plane.
        const char16_t ch = CodePage::ToUnicode(byte);
        if (ch < 0x80) {
            appendEscaped(out, static_cast<unsigned char>(ch));
        } else if (ch < 0x800) {
            appendEscaped(out, static_cast<unsigned char>(0xC0 | (ch >> 6)));
            appendEscaped(out, static_cast<unsigned char>(0x80 | (ch & 0x3F)));
        } else {
            appendEscaped(out, static_cast<unsigned char>(0xE0 | (ch >> 12)));
            appendEscaped(out, static_cast<unsigned char>(0x80 | ((ch >> 6) & 0x3F)));
            appendEscaped(out, static_cast<unsigned char>(0x80 | (ch & 0x3F)));
        }
    }
    return out;
}

std::string MailtoUrl(std::string_view address,
                      const std::vector<std::pair<std::string, std::string>>& fields, bool utf8) {
    std::string url = "mailto:" + std::string(address);
    char separator = '?';
    for (const auto& [name, value] : fields) {
        url += separator;
        url += name + "=" + MailtoValue(value, utf8);
        separator = '&';
    }
    return url;
}

std::string MailBodyUrl(std::string_view text, bool utf8) {
    return "mailto:?Body=" + MailtoValue(text, utf8);
}

TEncoding ImportEncoding(std::string_view header, std::string_view body, TEncoding fallback) {
    const std::string_view charset = replyCharset(header);
    if (equalsIgnoringCase(charset, "UTF-8") || equalsIgnoringCase(charset, "UTF8")) {
        return body.starts_with("\xEF\xBB\xBF") ? TEncoding::Utf8Bom : TEncoding::Utf8;
    }
    const bool bigEndian = equalsIgnoringCase(charset, "UTF-16BE");
    if (bigEndian || equalsIgnoringCase(charset, "UTF-16") ||
        equalsIgnoringCase(charset, "UTF-16LE")) {
        if (body.starts_with("\xFF\xFE")) {
            return TEncoding::Utf16LE;
        }
        if (body.starts_with("\xFE\xFF")) {
            return TEncoding::Utf16BE;
        }
        return bigEndian ? TEncoding::Utf16BE : TEncoding::Utf16LE;
    }
    return DetectEncoding(body, fallback);
}

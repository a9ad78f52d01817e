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
                      const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string url = "mailto:" + std::string(address);
    char separator = '?';
    for (const auto& [name, value] : fields) {
        url += separator;
        url += name + "=" + MailtoValue(value);
        separator = '&';
    }
    return url;
}

std::string MailBodyUrl(std::string_view text, bool utf8) {
    return "mailto:?Body=" + MailtoValue(text, utf8);
}

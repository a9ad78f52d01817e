// A reply's header and body as the import reads their encoding: the part
// before the first blank line is the header. A UTF-16 encoding comes only
// from a charset naming it or a byte-order mark, a mark from the body.
#include "web/WebText.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t blank = input.find("\r\n\r\n");
    const std::string_view header =
        input.substr(0, blank == std::string_view::npos ? 0 : blank + 4);
    const std::string_view body = input.substr(header.size());
    const bool namesUtf16 = QByteArray(header.data(), static_cast<qsizetype>(header.size()))
                                .toLower()
                                .contains("utf-16");
    for (const TEncoding fallback : {TEncoding::Windows1252, TEncoding::Utf8}) {
        const TEncoding encoding = ImportEncoding(header, body, fallback);
        const bool utf16 = encoding == TEncoding::Utf16LE || encoding == TEncoding::Utf16BE;
        if (utf16 && !namesUtf16 && !body.starts_with("\xFF\xFE") &&
            !body.starts_with("\xFE\xFF")) {
            std::abort();
        }
        if (encoding == TEncoding::Utf8Bom && !body.starts_with("\xEF\xBB\xBF")) {
            std::abort();
        }
    }
    return 0;
}

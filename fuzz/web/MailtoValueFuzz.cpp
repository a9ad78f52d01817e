// A document's text as a mailto body: only unreserved characters and
// escapes go out, and the escapes give back the text (as UTF-8, every line
// end a CR LF), so no text can add a field to the message. A Unicode
// document's text gives well-formed UTF-8 whatever bytes it holds.
#include "framework/CodePage.h"
#include "framework/Utf8.h"
#include "web/WebText.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string value = MailtoValue(text);
    const std::string utf8 = MailtoValue(text, true);
    if (!Utf8::IsValid(
            QByteArray::fromPercentEncoding(QByteArray::fromStdString(utf8)).toStdString())) {
        std::abort();
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (c == '%') {
            const auto hex = [](char h) {
                return (h >= '0' && h <= '9') || (h >= 'A' && h <= 'F');
            };
            if (i + 2 >= value.size() || !hex(value[i + 1]) || !hex(value[i + 2])) {
                std::abort();
            }
            i += 2;
        } else if (!plain) {
            std::abort();
        }
    }
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines += "\r\n";
        } else {
            lines += text[i];
        }
    }
    const QByteArray decoded = QByteArray::fromPercentEncoding(QByteArray::fromStdString(value));
    if (decoded != CodePage::ToQString(lines).toUtf8()) {
        std::abort();
    }
    // As UTF-8: the text's own bytes, U+FFFD for each byte that is none.
    std::string expected;
    for (std::size_t i = 0; i < lines.size();) {
        const int length = Utf8::SequenceLength(lines, i);
        expected += length == 0 ? std::string("\xEF\xBF\xBD") : lines.substr(i, length);
        i += length == 0 ? 1 : static_cast<std::size_t>(length);
    }
    if (QByteArray::fromPercentEncoding(QByteArray::fromStdString(utf8)).toStdString() !=
        expected) {
        std::abort();
    }
    return 0;
}

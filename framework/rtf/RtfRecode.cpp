#include "framework/CodePage.h"
#include "framework/Utf8.h"
#include "framework/rtf/Rtf.h"

#include <string>

namespace Rtf {
namespace {

std::string toUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            Utf8::Append(out, CodePage::ToUnicode(b));
        }
    }
    return out;
}

std::string toCodePage(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const int length = Utf8::SequenceLength(utf8, at);
        if (length == 0) {
            out.push_back('?');
            ++at;
            continue;
        }
        const int byte = CodePage::FromUnicode(Utf8::Decode(utf8, at, length));
        out.push_back(byte >= 0 ? static_cast<char>(byte) : '?');
        at += static_cast<std::size_t>(length);
    }
    return out;
}

} // namespace

Document Recoded(Document document, bool unicode) {
    if (document.unicode == unicode) {
        return document;
    }
    for (Paragraph& paragraph : document.paragraphs) {
        for (Run& run : paragraph.runs) {
            run.text = unicode ? toUtf8(run.text) : toCodePage(run.text);
        }
    }
    document.unicode = unicode;
    return document;
}

} // namespace Rtf

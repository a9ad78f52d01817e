#include "framework/TextEncoding.h"

#include "framework/CodePage.h"
#include "framework/Utf16File.h"
#include "framework/Utf8.h"
#include "framework/Utf8Validate.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEBom = "\xFF\xFE";
constexpr std::string_view kUtf16BEBom = "\xFE\xFF";

std::string_view OwnBom(TEncoding encoding) {
    switch (encoding) {
    case TEncoding::Utf8Bom:
        return kUtf8Bom;
    case TEncoding::Utf16LE:
        return kUtf16LEBom;
    case TEncoding::Utf16BE:
        return kUtf16BEBom;
    default:
        return {};
    }
}

unsigned char ByteAt(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

} // namespace

QString EncodingName(TEncoding encoding) {
    switch (encoding) {
    case TEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case TEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 with BOM");
    case TEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case TEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    }
    return {};
}

TEncoding DetectEncoding(std::string_view file, TEncoding fallback) {
    if (file.starts_with(kUtf8Bom)) {
        return TEncoding::Utf8Bom;
    }
    if (file.starts_with(kUtf16LEBom)) {
        return TEncoding::Utf16LE;
    }
    if (file.starts_with(kUtf16BEBom)) {
        return TEncoding::Utf16BE;
    }
    // Everything before the first byte of 0x80 or above is ASCII, so only
    // the rest needs validating.
    const std::size_t first = Utf8::detail::FirstNonAscii(file);
    const bool valid = first == file.size() || Utf8::IsValid(file.substr(first));
    if (valid && first < file.size()) {
        return TEncoding::Utf8;
    }
    // A file without a byte-order mark does not gain one by being saved.
    if (!OwnBom(fallback).empty()) {
        return valid ? TEncoding::Utf8 : TEncoding::Windows1252;
    }
    return fallback;
}

TDecodedFile DecodeFile(std::string_view file, TEncoding encoding) {
    TDecodedFile decoded;
    const std::string_view bom = OwnBom(encoding);
    if (!bom.empty() && file.starts_with(bom)) {
        file.remove_prefix(bom.size());
    }
    switch (encoding) {
    case TEncoding::Windows1252:
    case TEncoding::Utf8:
    case TEncoding::Utf8Bom:
        decoded.text.assign(file);
        break;
    case TEncoding::Utf16LE:
    case TEncoding::Utf16BE:
        decoded.text = Utf16::ToUtf8(file, encoding == TEncoding::Utf16BE);
        if (file.size() % 2 != 0) {
            decoded.oddByte = ByteAt(file, file.size() - 1);
        }
        break;
    }
    return decoded;
}

TDecodedFile DecodeFile(std::string&& file, TEncoding encoding) {
    if (encoding == TEncoding::Utf16LE || encoding == TEncoding::Utf16BE) {
        return DecodeFile(std::string_view(file), encoding);
    }
    const std::string_view bom = OwnBom(encoding);
    if (!bom.empty() && std::string_view(file).starts_with(bom)) {
        file.erase(0, bom.size());
    }
    return {std::move(file), -1};
}

std::string EncodeFile(std::string_view text, TEncoding encoding, int oddByte) {
    std::string file(OwnBom(encoding));
    switch (encoding) {
    case TEncoding::Windows1252:
    case TEncoding::Utf8:
    case TEncoding::Utf8Bom:
        // A lone last byte belongs to UTF-16 framing and has no place here.
        file.append(text);
        break;
    case TEncoding::Utf16LE:
    case TEncoding::Utf16BE:
        Utf16::AppendFromUtf8(file, text, encoding == TEncoding::Utf16BE);
        if (oddByte >= 0 && oddByte <= 0xFF) {
            file += static_cast<char>(oddByte);
        }
        break;
    }
    return file;
}

std::string Utf8ToCodePage(std::string_view utf8, int* unrepresentable) {
    std::string out;
    out.reserve(utf8.size());
    int missing = 0;
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = ByteAt(utf8, i);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const int length = Utf8::SequenceLength(utf8, i);
        const int mapped = length > 0 ? CodePage::FromUnicode(Utf8::Decode(utf8, i, length)) : -1;
        if (mapped >= 0) {
            out += static_cast<char>(mapped);
        } else {
            out += '?';
            ++missing;
        }
        i += static_cast<std::size_t>(length > 0 ? length : 1);
    }
    if (unrepresentable != nullptr) {
        *unrepresentable = missing;
    }
    return out;
}

std::string CodePageToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            Utf8::Append(out, CodePage::ToUnicode(b));
        }
    }
    return out;
}

int CountUnrepresentable(std::string_view utf8) {
    int missing = 0;
    const std::size_t n = utf8.size();
    std::size_t i = Utf8::detail::FirstNonAscii(utf8);
    while (i < n) {
        if (ByteAt(utf8, i) < 0x80) {
            ++i;
            continue;
        }
        const int length = Utf8::SequenceLength(utf8, i);
        if (length == 0 || CodePage::FromUnicode(Utf8::Decode(utf8, i, length)) < 0) {
            ++missing;
        }
        i += static_cast<std::size_t>(length > 0 ? length : 1);
    }
    return missing;
}

QString ToQString(std::string_view text, TEncoding encoding) {
    if (!IsUnicode(encoding)) {
        return CodePage::ToQString(text);
    }
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* dst = out.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = ByteAt(text, i);
        if (b < 0x80) {
            *dst++ = QChar(b);
            ++i;
            continue;
        }
        const int length = Utf8::SequenceLength(text, i);
        if (length == 0) {
            *dst++ = QChar(static_cast<char16_t>(0xDC00 + b));
            ++i;
            continue;
        }
        const char32_t cp = Utf8::Decode(text, i, length);
        if (cp >= 0x10000) {
            *dst++ = QChar(QChar::highSurrogate(cp));
            *dst++ = QChar(QChar::lowSurrogate(cp));
        } else {
            *dst++ = QChar(static_cast<char16_t>(cp));
        }
        i += static_cast<std::size_t>(length);
    }
    out.truncate(dst - out.constData());
    return out;
}

std::string FromQString(QStringView text, TEncoding encoding) {
    if (!IsUnicode(encoding)) {
        return CodePage::FromQString(text);
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) + static_cast<std::size_t>(text.size()) / 4);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (!QChar::isSurrogate(u)) {
            Utf8::Append(out, u);
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            Utf8::Append(out, QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u - 0xDC00); // an ill-formed byte kept from the file
        } else {
            out += '?'; // no byte stands for any other lone surrogate
        }
    }
    return out;
}

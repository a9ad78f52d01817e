#include "framework/CodePageDecoder.h"

#include "framework/CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <utility>

static_assert(sizeof(wchar_t) == sizeof(char32_t), "iconv's WCHAR_T must be UTF-32");

namespace {

// The Windows code pages and the names the system's converters know them by.
// Windows-1252 is missing on purpose: it is the document code page.
// clang-format off
const std::pair<int, const char*> kNames[] = {
    {874, "CP874"}, {932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "CP950"},
    {1250, "CP1250"}, {1251, "CP1251"}, {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"},
    {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"}, {1361, "CP1361"},
    {437, "CP437"}, {737, "CP737"}, {775, "CP775"}, {850, "CP850"}, {852, "CP852"},
    {855, "CP855"}, {857, "CP857"}, {860, "CP860"}, {861, "CP861"}, {862, "CP862"},
    {863, "CP863"}, {864, "CP864"}, {865, "CP865"}, {866, "CP866"}, {869, "CP869"},
    {10000, "MACINTOSH"}, {20866, "KOI8-R"}, {21866, "KOI8-U"},
    {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"}, {28605, "ISO-8859-15"}, {65001, "UTF-8"},
};
// clang-format on

const char* converterName(int codePage) {
    for (const auto& [number, name] : kNames) {
        if (number == codePage) {
            return name;
        }
    }
    return nullptr;
}

} // namespace

bool TCodePageDecoder::Knows(int codePage) {
    return converterName(codePage) != nullptr;
}

std::unique_ptr<TCodePageDecoder> TCodePageDecoder::Open(int codePage) {
    const char* name = converterName(codePage);
    if (name == nullptr) {
        return nullptr;
    }
    const iconv_t handle = iconv_open("WCHAR_T", name);
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return nullptr;
    }
    return std::unique_ptr<TCodePageDecoder>(new TCodePageDecoder(handle, codePage));
}

TCodePageDecoder::~TCodePageDecoder() {
    iconv_close(static_cast<iconv_t>(handle_));
}

void TCodePageDecoder::ToUnicode(std::string_view bytes, std::u32string& out) {
    const auto handle = static_cast<iconv_t>(handle_);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    wchar_t buffer[1024];
    auto take = [&](char* end) {
        const auto* first = reinterpret_cast<const char32_t*>(buffer);
        out.append(first, static_cast<std::size_t>(reinterpret_cast<wchar_t*>(end) - buffer));
    };
    while (inLeft > 0) {
        char* dst = reinterpret_cast<char*>(buffer);
        std::size_t dstLeft = sizeof buffer;
        const std::size_t result = iconv(handle, &in, &inLeft, &dst, &dstLeft);
        take(dst);
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) {
            continue;
        }
        out.push_back(kInvalid);
        if (errno != EILSEQ) {
            break; // an incomplete character at the end (a lead byte alone)
        }
        ++in; // the byte that starts no character
        --inLeft;
    }
    // Converters that wait for combining marks hand over their last character
    // now, and the next call starts in the initial state.
    char* dst = reinterpret_cast<char*>(buffer);
    std::size_t dstLeft = sizeof buffer;
    iconv(handle, nullptr, nullptr, &dst, &dstLeft);
    take(dst);
}

void TCodePageDecoder::ToDocument(std::string_view bytes, std::string& out) {
    scratch_.clear();
    ToUnicode(bytes, scratch_);
    out.reserve(out.size() + scratch_.size());
    for (const char32_t ch : scratch_) {
        const int b = ch == kInvalid ? -1 : CodePage::FromUnicode(ch);
        out.push_back(b >= 0 ? static_cast<char>(b) : '?');
    }
}

#pragma once

#include <memory>
#include <string>
#include <string_view>

// Text in another Windows code page (1251, 932, ...), decoded through the
// system's converters (iconv). Files written on other systems name the code
// page of their text; the program itself works in the document code page.
class TCodePageDecoder {
public:
    // What a byte sequence that is no character of the code page decodes to.
    static constexpr char32_t kInvalid = 0xFFFD;

    // A decoder for the code page; none when the code page is the document
    // code page itself, or unknown, or the system has no converter for it:
    // such text is taken as document code-page bytes.
    static std::unique_ptr<TCodePageDecoder> Open(int codePage);
    // True when the number is a code page this class has a converter name for.
    static bool Knows(int codePage);
    ~TCodePageDecoder();
    TCodePageDecoder(const TCodePageDecoder&) = delete;
    TCodePageDecoder& operator=(const TCodePageDecoder&) = delete;

    int CodePage() const { return codePage_; }

    // Appends the characters of the bytes. A byte that starts no character
    // (an unassigned byte, a lead byte whose trail byte is missing or wrong)
    // gives kInvalid and decoding goes on after it.
    void ToUnicode(std::string_view bytes, std::u32string& out);
    // Appends the bytes as document code-page bytes: a character that page
    // cannot hold, and every kInvalid, becomes "?".
    void ToDocument(std::string_view bytes, std::string& out);

private:
    TCodePageDecoder(void* handle, int codePage) : handle_(handle), codePage_(codePage) {}

    void* handle_; // iconv_t
    int codePage_;
    std::u32string scratch_;
};

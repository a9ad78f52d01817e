#pragma once

#include <map>
#include <memory>

class TCodePageDecoder;

// Which code page the bytes of a text are in, from the document's \ansicpg
// and its fonts' \fcharset and \cpg.
namespace Rtf {

constexpr int kDocumentCodePage = 1252;
// The charset and the code page of symbol fonts: their bytes are glyph
// numbers, not characters, and are kept as they are.
constexpr int kSymbolCharset = 2;
constexpr int kSymbolCodePage = 42;

// The code page of text in a font of the charset; 0 for charsets that name
// none (the default charset, numbers no system defines): the file's own
// code page (\ansicpg) holds then.
int CodePageOfCharset(int charset);

// The decoders a reader needs, opened once each.
class Decoders {
public:
    Decoders();
    ~Decoders();
    Decoders(const Decoders&) = delete;
    Decoders& operator=(const Decoders&) = delete;

    // None for the document code page, symbol fonts and unknown code pages:
    // their bytes are taken as document code-page bytes.
    TCodePageDecoder* For(int codePage);

private:
    std::map<int, std::unique_ptr<TCodePageDecoder>> open_;
};

} // namespace Rtf

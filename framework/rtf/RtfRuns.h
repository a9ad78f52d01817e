#pragma once

#include "framework/rtf/Rtf.h"

#include <cstdint>
#include <string>
#include <string_view>

class TCodePageDecoder;

namespace Rtf {

// Assembles the document the reader gives. Text comes as bytes of the
// file's code page for the font in force (plain text and \'hh, decoded
// here, so that a double-byte character may arrive in two escapes), as
// bytes of the document code page (symbol words, footnote numbers) or as
// the UTF-16 units of \uN. Adjacent text of one format is one run, and no
// run is empty.
//
// The text is kept in the document code page until a character comes that
// it cannot hold; from then on the document is Unicode and all of its text,
// what came before included, is UTF-8. Each byte is converted at most once
// more, so reading stays linear.
class RunBuilder {
public:
    // The formats of the text that follows, from the file's bytes and from
    // characters (a symbol font's bytes keep its charset; characters are
    // the document's), and the decoder of the file's bytes (none: they are
    // document code-page bytes already).
    void SetFormat(const CharFormat& source, const CharFormat& document, TCodePageDecoder* decoder);
    // The common cases, a run of the same origin going on, are inline.
    void AddSource(std::string_view bytes) {
        if (decoder_ == nullptr && pendingOrigin_ == Origin::Source && !unicode_ &&
            highSurrogate_ == 0) {
            pending_.append(bytes);
        } else {
            addSource(bytes);
        }
    }
    void AddSource(char byte) { AddSource(std::string_view(&byte, 1)); }
    void AddDocument(std::string_view bytes) {
        if (undecoded_.empty() && pendingOrigin_ == Origin::Document && !unicode_ &&
            highSurrogate_ == 0) {
            pending_.append(bytes);
        } else {
            addDocument(bytes);
        }
    }
    // A UTF-16 unit of \uN: a character of the BMP, or half of a surrogate
    // pair, which the next unit completes. A half without its other half is
    // U+FFFD.
    void AddUnit(char16_t unit);
    // Ends the paragraph, which takes the alignment.
    void Break(Alignment alignment);
    Document Finish(Alignment lastAlignment);

private:
    enum class Origin : std::uint8_t { None, Source, Document };

    void addSource(std::string_view bytes);
    void addDocument(std::string_view bytes);
    void addCharacter(char32_t ch);
    // Text from here on is UTF-8, and so becomes the text before.
    void becomeUnicode();
    // A high surrogate waiting for its low one stands alone after all.
    void endSurrogate();
    // Document code-page bytes, as they are or as UTF-8.
    void appendBytes(std::string& out, std::string_view bytes) const;
    void decodeSource();
    // The text of the run being built, brought to the format of text of the origin.
    std::string& textIn(Origin origin);
    void flushRun();

    Document document_;
    CharFormat source_;
    CharFormat target_;
    TCodePageDecoder* decoder_ = nullptr;
    std::string undecoded_; // file bytes not yet decoded: a character may go on
    std::string pending_;   // text of the run being built, in pendingFormat_
    std::u32string decoded_;
    CharFormat pendingFormat_;
    Origin pendingOrigin_ = Origin::None; // whose format pendingFormat_ is, while it is
    bool unicode_ = false;
    char16_t highSurrogate_ = 0; // of a pair whose low surrogate has not come yet
};

} // namespace Rtf

#pragma once

#include "framework/rtf/Rtf.h"

#include <cstdint>
#include <string>
#include <string_view>

class TCodePageDecoder;

namespace Rtf {

// Assembles the document the reader gives. Text comes either as bytes of
// the file's code page for the font in force (plain text and \'hh, decoded
// here, so that a double-byte character may arrive in two escapes) or as
// bytes of the document code page (symbol words, \uN). Adjacent text of one
// format is one run, and no run is empty.
class RunBuilder {
public:
    // The formats of the text that follows, from the file's bytes and from
    // document bytes (a symbol font's bytes keep its charset; characters
    // are in the document code page), and the decoder of the file's bytes
    // (none: they are document bytes already).
    void SetFormat(const CharFormat& source, const CharFormat& document, TCodePageDecoder* decoder);
    // The common cases, a run of the same origin going on, are inline.
    void AddSource(std::string_view bytes) {
        if (decoder_ == nullptr && pendingOrigin_ == Origin::Source) {
            pending_.append(bytes);
        } else {
            addSource(bytes);
        }
    }
    void AddSource(char byte) {
        if (decoder_ == nullptr && pendingOrigin_ == Origin::Source) {
            pending_.push_back(byte);
        } else {
            addSource(std::string_view(&byte, 1));
        }
    }
    void AddDocument(std::string_view bytes) {
        if (undecoded_.empty() && pendingOrigin_ == Origin::Document) {
            pending_.append(bytes);
        } else {
            addDocument(bytes);
        }
    }
    // Ends the paragraph, which takes the alignment.
    void Break(Alignment alignment);
    Document Finish(Alignment lastAlignment);

private:
    enum class Origin : std::uint8_t { None, Source, Document };

    void addSource(std::string_view bytes);
    void addDocument(std::string_view bytes);
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
    CharFormat pendingFormat_;
    Origin pendingOrigin_ = Origin::None; // whose format pendingFormat_ is, while it is
};

} // namespace Rtf

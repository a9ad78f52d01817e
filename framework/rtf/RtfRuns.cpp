#include "framework/rtf/RtfRuns.h"

#include "framework/CodePage.h"
#include "framework/CodePageDecoder.h"
#include "framework/Utf8.h"

#include <algorithm>
#include <utility>

namespace Rtf {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendAsUtf8(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            Utf8::Append(out, CodePage::ToUnicode(b));
        }
    }
}

} // namespace

void RunBuilder::SetFormat(const CharFormat& source, const CharFormat& document,
                           TCodePageDecoder* decoder) {
    // Undecoded bytes are text of the format they came in.
    if (!undecoded_.empty() && (decoder != decoder_ || source != source_)) {
        decodeSource();
    }
    source_ = source;
    target_ = document;
    decoder_ = decoder;
    pendingOrigin_ = Origin::None; // the next text compares its format with the run's
}

void RunBuilder::addSource(std::string_view bytes) {
    endSurrogate();
    // ASCII is the same in every code page, and only a byte above it can
    // begin a character of two bytes.
    if (decoder_ != nullptr && (!undecoded_.empty() || !isAscii(bytes))) {
        undecoded_.append(bytes);
    } else {
        appendBytes(textIn(Origin::Source), bytes);
    }
}

void RunBuilder::addDocument(std::string_view bytes) {
    endSurrogate();
    decodeSource();
    appendBytes(textIn(Origin::Document), bytes);
}

void RunBuilder::AddUnit(char16_t unit) {
    if (isLowSurrogate(unit) && highSurrogate_ != 0) {
        const char32_t ch = 0x10000 + ((char32_t{highSurrogate_} - 0xD800) << 10) + (unit - 0xDC00);
        highSurrogate_ = 0;
        addCharacter(ch);
        return;
    }
    endSurrogate();
    decodeSource();
    if (isHighSurrogate(unit)) {
        highSurrogate_ = unit;
    } else {
        addCharacter(isLowSurrogate(unit) ? kReplacement : unit);
    }
}

void RunBuilder::endSurrogate() {
    if (highSurrogate_ != 0) {
        highSurrogate_ = 0;
        addCharacter(kReplacement);
    }
}

void RunBuilder::addCharacter(char32_t ch) {
    std::string& out = textIn(Origin::Document);
    if (!unicode_) {
        const int byte = CodePage::FromUnicode(ch);
        if (byte >= 0) {
            out.push_back(static_cast<char>(byte));
            return;
        }
        becomeUnicode();
    }
    Utf8::Append(out, ch);
}

void RunBuilder::becomeUnicode() {
    unicode_ = true;
    std::string converted;
    for (Paragraph& paragraph : document_.paragraphs) {
        for (Run& run : paragraph.runs) {
            if (!isAscii(run.text)) {
                converted.clear();
                appendAsUtf8(converted, run.text);
                run.text.swap(converted);
            }
        }
    }
    converted.clear();
    appendAsUtf8(converted, pending_);
    pending_.swap(converted);
}

void RunBuilder::appendBytes(std::string& out, std::string_view bytes) const {
    if (unicode_) {
        appendAsUtf8(out, bytes);
    } else {
        out.append(bytes);
    }
}

void RunBuilder::decodeSource() {
    if (undecoded_.empty()) {
        return;
    }
    decoded_.clear();
    decoder_->ToUnicode(undecoded_, decoded_);
    undecoded_.clear();
    std::string& out = textIn(Origin::Source);
    for (const char32_t ch : decoded_) {
        // What the decoder could not read is no character: in the code
        // page it is shown as the control shows what it cannot hold.
        if (!unicode_) {
            const int byte = ch == TCodePageDecoder::kInvalid ? '?' : CodePage::FromUnicode(ch);
            if (byte >= 0) {
                out.push_back(static_cast<char>(byte));
                continue;
            }
            becomeUnicode();
        }
        Utf8::Append(out, ch);
    }
}

std::string& RunBuilder::textIn(Origin origin) {
    // Formats are compared only when text of the other origin came last or
    // a format changed: most text adds to a run of its own origin.
    if (origin != pendingOrigin_) {
        const CharFormat& format = origin == Origin::Source ? source_ : target_;
        if (format != pendingFormat_) {
            flushRun();
            pendingFormat_ = format;
        }
        pendingOrigin_ = origin;
    }
    return pending_;
}

void RunBuilder::flushRun() {
    if (pending_.empty()) {
        return;
    }
    std::vector<Run>& runs = document_.paragraphs.back().runs;
    if (!runs.empty() && runs.back().format == pendingFormat_) {
        runs.back().text += pending_;
    } else {
        runs.push_back(Run{pending_, pendingFormat_}); // a copy: pending_ keeps its room
    }
    pending_.clear();
}

void RunBuilder::Break(Alignment alignment) {
    endSurrogate();
    decodeSource();
    flushRun();
    document_.paragraphs.back().alignment = alignment;
    document_.paragraphs.emplace_back();
}

Document RunBuilder::Finish(Alignment lastAlignment) {
    endSurrogate();
    decodeSource();
    flushRun();
    document_.paragraphs.back().alignment = lastAlignment;
    document_.unicode = unicode_;
    return std::move(document_);
}

} // namespace Rtf

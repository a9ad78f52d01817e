#include "framework/rtf/RtfTables.h"

#include "framework/CodePage.h"
#include "framework/CodePageDecoder.h"
#include "framework/rtf/RtfCharsets.h"

#include <algorithm>

namespace Rtf {
namespace {

// Face names are at most 31 characters on the system this format comes from;
// the bounds also keep a hostile table from multiplying memory through the runs.
constexpr qsizetype kMaxFaceLength = 31;
constexpr std::size_t kMaxFaceScan = 256;
constexpr std::size_t kMaxFonts = 4096;
constexpr std::size_t kMaxColors = 65536;

bool isNameCharacter(char32_t ch) {
    return ch >= 0x20 && ch != 0x7F && ch != TCodePageDecoder::kInvalid &&
           (ch < 0xD800 || ch > 0xDFFF) && ch <= 0x10FFFF;
}

// At most kMaxFaceLength characters, without blanks around them.
std::string finishedFace(const QString& name) {
    QString face = name.trimmed();
    qsizetype characters = 0;
    qsizetype end = 0;
    while (end < face.size() && characters < kMaxFaceLength) {
        end += face[end].isHighSurrogate() && end + 1 < face.size() ? 2 : 1;
        ++characters;
    }
    face.truncate(end);
    return face.trimmed().toStdString();
}

} // namespace

void FontTable::Begin(int number, std::size_t depth) {
    Commit();
    pending_.active = true;
    pending_.number = number;
    pending_.depth = depth;
}

void FontTable::SetCharset(int charset) {
    if (pending_.active) {
        pending_.entry.charset = charset;
    }
}

void FontTable::SetCodePage(int codePage) {
    if (pending_.active) {
        pending_.entry.codePage = codePage;
    }
}

void FontTable::AddText(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == ';') {
            Commit();
        } else {
            AddByte(c);
        }
    }
}

void FontTable::AddByte(char byte) {
    if (pending_.active && pending_.bytes.size() + pending_.name.size() < kMaxFaceScan) {
        pending_.bytes.push_back(byte);
    }
}

void FontTable::AddCharacter(char32_t ch) {
    if (!pending_.active || pending_.bytes.size() + pending_.name.size() >= kMaxFaceScan) {
        return;
    }
    decodePending();
    // \u gives UTF-16 units: a pair makes one character, and a unit alone none.
    if (ch >= 0xDC00 && ch <= 0xDFFF && !pending_.name.isEmpty() &&
        pending_.name.back().isHighSurrogate()) {
        pending_.name.append(QChar(static_cast<char16_t>(ch)));
        return;
    }
    if (!pending_.name.isEmpty() && pending_.name.back().isHighSurrogate()) {
        pending_.name.chop(1);
    }
    if (ch >= 0xD800 && ch <= 0xDBFF) {
        pending_.name.append(QChar(static_cast<char16_t>(ch)));
    } else if (isNameCharacter(ch)) {
        pending_.name.append(QString::fromUcs4(&ch, 1));
    }
}

void FontTable::decodePending() {
    if (pending_.bytes.empty()) {
        return;
    }
    std::u32string characters;
    if (TCodePageDecoder* decoder = decoders_.For(CodePageOf(pending_.entry))) {
        decoder->ToUnicode(pending_.bytes, characters);
    } else {
        for (const char c : pending_.bytes) {
            characters.push_back(CodePage::ToUnicode(static_cast<unsigned char>(c)));
        }
    }
    pending_.bytes.clear();
    if (!pending_.name.isEmpty() && pending_.name.back().isHighSurrogate()) {
        pending_.name.chop(1);
    }
    for (const char32_t ch : characters) {
        if (isNameCharacter(ch)) {
            pending_.name.append(QString::fromUcs4(&ch, 1));
        }
    }
}

void FontTable::Commit() {
    if (!pending_.active) {
        return;
    }
    decodePending();
    if (!pending_.name.isEmpty() && pending_.name.back().isHighSurrogate()) {
        pending_.name.chop(1);
    }
    pending_.entry.face = finishedFace(pending_.name);
    if (fonts_.size() < kMaxFonts || fonts_.contains(pending_.number)) {
        fonts_[pending_.number] = std::move(pending_.entry);
    }
    pending_ = Pending{};
}

const FontEntry* FontTable::Find(int number) const {
    const auto it = fonts_.find(number);
    return it == fonts_.end() ? nullptr : &it->second;
}

int FontTable::CodePageOf(const FontEntry& font) const {
    if (font.codePage != 0 &&
        (font.codePage == kDocumentCodePage || TCodePageDecoder::Knows(font.codePage))) {
        return font.codePage;
    }
    const int codePage = font.charset >= 0 ? CodePageOfCharset(font.charset) : 0;
    return codePage != 0 ? codePage : ansiCodePage_;
}

void ColorTable::Enter() {
    colors_.clear();
    given_ = false;
    rgb_ = 0;
}

void ColorTable::SetComponent(int shift, int value) {
    const auto component = static_cast<std::uint32_t>(std::clamp(value, 0, 255));
    rgb_ = (rgb_ & ~(0xFFu << shift)) | (component << shift);
    given_ = true;
}

void ColorTable::EndEntry(bool delimited) {
    if ((delimited || given_) && colors_.size() < kMaxColors) {
        colors_.push_back(given_ ? std::optional<std::uint32_t>(rgb_) : std::nullopt);
    }
    given_ = false;
    rgb_ = 0;
}

std::optional<std::uint32_t> ColorTable::At(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= colors_.size()) {
        return std::nullopt;
    }
    return colors_[static_cast<std::size_t>(index)];
}

} // namespace Rtf

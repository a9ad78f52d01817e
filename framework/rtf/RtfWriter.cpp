#include "framework/CodePage.h"
#include "framework/Utf8.h"
#include "framework/rtf/Rtf.h"
#include "framework/rtf/RtfCharsets.h"

#include <QString>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The writer emits the subset of the format that every reader understands:
// a font table (the base font first), a colour table, \pard with an
// alignment per paragraph, \par between paragraphs and character
// formatting per run. Text above ASCII goes out as \uN with its \'hh as the
// fallback (or "?" for a character of a Unicode document the code page
// lacks), so readers get the character whatever code page they would take
// the bytes in; other bytes outside printable ASCII go as \'hh (a NUL as
// \'00). The file is 7-bit and every character of the text comes back.
namespace Rtf {
namespace {

// Source lines are broken after a space once this long, and anywhere
// between two characters once much longer; readers ignore source line ends.
constexpr std::size_t kSoftLineLength = 78;
constexpr std::size_t kHardLineLength = 200;

const char kHex[] = "0123456789abcdef";

void appendHex(std::string& out, unsigned char b) {
    out += {'\\', '\'', kHex[b >> 4], kHex[b & 15]};
}

// \uN takes a signed 16-bit number.
void appendUnicode(std::string& out, char16_t unit) {
    char digits[8];
    const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : unit;
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    out += "\\u";
    out.append(digits, end);
}

// How each text byte is written: itself, or an escape. A symbol font's
// bytes are glyph numbers, not characters of the code page: they go as
// \'hh alone.
const std::array<std::string, 256>& textEscapes(bool symbol) {
    static const auto make = [](bool glyphs) {
        std::array<std::string, 256> r;
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            if (b == '\\' || b == '{' || b == '}') {
                r[b] = std::string{'\\', static_cast<char>(b)};
            } else if (b == '\t') {
                r[b] = "\\tab ";
            } else if (b >= 0x80 && !glyphs) {
                appendUnicode(r[b], CodePage::ToUnicode(byte));
                appendHex(r[b], byte);
            } else if (b < 0x20 || b >= 0x7F) {
                appendHex(r[b], byte);
            }
        }
        return r;
    };
    static const std::array<std::string, 256> characters = make(false);
    static const std::array<std::string, 256> glyphs = make(true);
    return symbol ? glyphs : characters;
}

// A face name (UTF-8) as font-table text: ASCII as it is, other characters
// as \uN with their document code-page byte, or "?", as the fallback.
void appendFace(std::string& out, const std::string& face) {
    const QString name = QString::fromStdString(face);
    for (const QChar ch : name) {
        const char16_t unit = ch.unicode();
        if (unit == ';' || unit < 0x20 || unit == 0x7F) {
            appendHex(out, static_cast<unsigned char>(unit)); // ';' would end the entry
        } else if (unit == '\\' || unit == '{' || unit == '}') {
            out += {'\\', static_cast<char>(unit)};
        } else if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else {
            appendUnicode(out, unit);
            const int b = ch.isSurrogate() ? -1 : CodePage::FromUnicode(unit);
            if (b >= 0) {
                appendHex(out, static_cast<unsigned char>(b));
            } else {
                out += '?';
            }
        }
    }
}

using FontKey = std::pair<std::string, int>;

// Text in no named font shows in the reader's default, whatever its
// charset; only a symbol font's glyphs need a font of their own.
bool isDefaultFont(const CharFormat& f) {
    return f.face.empty() && f.charset != kSymbolCharset;
}

class Writer {
public:
    explicit Writer(const Document& document)
        : document_(document), hasBase_(!(document.base == BaseFont{})) {}

    std::string Run() {
        collectTables();
        out_ += "{\\rtf1\\ansi\\ansicpg1252\\deff0";
        writeFontTable();
        writeColorTable();
        word("\\viewkind4\\uc1");
        bool first = true;
        for (const Paragraph& paragraph : document_.paragraphs) {
            if (!first) {
                out_ += "\\par\n";
                column_ = 0;
            }
            first = false;
            writeParagraph(paragraph);
        }
        if (document_.paragraphs.empty()) {
            out_ += "\\pard";
        }
        out_ += "}\n";
        return std::move(out_);
    }

private:
    // The format a run is written in.
    CharFormat effective(const CharFormat& f) const { return Resolved(f, document_.base); }

    void collectTables() {
        std::size_t textSize = 0;
        bool defaultFontUsed = false;
        std::vector<const FontKey*> order;
        std::map<FontKey, int> seen;
        if (!document_.base.face.empty()) {
            const CharFormat base = effective(CharFormat{});
            order.push_back(&seen.try_emplace(FontKey{base.face, base.charset}, 0).first->first);
        }
        for (const Paragraph& paragraph : document_.paragraphs) {
            for (const Rtf::Run& run : paragraph.runs) {
                textSize += run.text.size();
                const CharFormat f = effective(run.format);
                if (isDefaultFont(f)) {
                    defaultFontUsed = true;
                } else {
                    const auto [it, added] = seen.try_emplace(FontKey{f.face, f.charset}, 0);
                    if (added) {
                        order.push_back(&it->first);
                    }
                }
                if (f.color && !colorIndex_.contains(*f.color)) {
                    colorIndex_.emplace(*f.color, static_cast<int>(colors_.size()) + 1);
                    colors_.push_back(*f.color);
                }
            }
        }
        // \deff0 names the default font; when runs use the default font
        // ("" / no charset), number 0 is left out of the table so that
        // \plain gives readers their own default, as the document meant.
        const int base = defaultFontUsed ? 1 : 0;
        for (std::size_t i = 0; i < order.size(); ++i) {
            fontIndex_.emplace(*order[i], base + static_cast<int>(i));
            fonts_.push_back(*order[i]);
        }
        out_.reserve(textSize + textSize / 8 + 1024);
    }

    void writeFontTable() {
        if (fonts_.empty()) {
            return;
        }
        out_ += "{\\fonttbl";
        for (const FontKey& font : fonts_) {
            out_ += "{\\f";
            out_ += std::to_string(fontIndex_.at(font));
            out_ += "\\fnil";
            if (font.second >= 0) {
                out_ += "\\fcharset";
                out_ += std::to_string(font.second);
            }
            out_ += ' ';
            appendFace(out_, font.first);
            out_ += ";}";
        }
        out_ += "}\n";
    }

    void writeColorTable() {
        out_ += "{\\colortbl ;";
        for (const std::uint32_t rgb : colors_) {
            out_ += "\\red" + std::to_string((rgb >> 16) & 0xFF);
            out_ += "\\green" + std::to_string((rgb >> 8) & 0xFF);
            out_ += "\\blue" + std::to_string(rgb & 0xFF);
            out_ += ';';
        }
        out_ += "}\n";
    }

    void writeParagraph(const Paragraph& paragraph) {
        switch (paragraph.alignment) {
        case Alignment::Left:
            word("\\pard");
            break;
        case Alignment::Center:
            word("\\pard\\qc");
            break;
        case Alignment::Right:
            word("\\pard\\qr");
            break;
        case Alignment::Justify:
            word("\\pard\\qj");
            break;
        }
        const bool hasText = std::any_of(paragraph.runs.begin(), paragraph.runs.end(),
                                         [](const Rtf::Run& run) { return !run.text.empty(); });
        if (!started_ && hasBase_ && !hasText) {
            // Even an empty paragraph tells readers the font and size to type in.
            writeFormat(Resolved(CharFormat{}, document_.base));
        }
        for (const Rtf::Run& run : paragraph.runs) {
            if (run.text.empty()) {
                continue;
            }
            const CharFormat f = effective(run.format);
            writeFormat(f);
            writeText(run.text, f.charset == kSymbolCharset);
        }
    }

    // Emits the switches that take the current format to the run's; a
    // default font or size can only be reached through \plain.
    void writeFormat(const CharFormat& f) {
        const bool defaultFont = isDefaultFont(f);
        const int halfPoints = f.halfPoints > 0 ? f.halfPoints : 0;
        const bool fontChanges = defaultFont ? !(fontIsDefault_ && isDefaultFont(current_))
                                             : fontIsDefault_ || f.face != current_.face ||
                                                   f.charset != current_.charset;
        if (!started_ || (defaultFont && fontChanges) ||
            (halfPoints == 0 && current_.halfPoints != 0)) {
            word("\\plain");
            current_ = CharFormat{};
            fontIsDefault_ = true;
            started_ = true;
        }
        if (!defaultFont &&
            (fontIsDefault_ || f.face != current_.face || f.charset != current_.charset)) {
            word("\\f" + std::to_string(fontIndex_.at(FontKey{f.face, f.charset})));
            fontIsDefault_ = false;
        }
        if (halfPoints != current_.halfPoints) {
            word("\\fs" + std::to_string(halfPoints));
        }
        if (f.bold != current_.bold) {
            word(f.bold ? "\\b" : "\\b0");
        }
        if (f.italic != current_.italic) {
            word(f.italic ? "\\i" : "\\i0");
        }
        if (f.underline != current_.underline) {
            word(f.underline ? "\\ul" : "\\ulnone");
        }
        if (f.strikeOut != current_.strikeOut) {
            word(f.strikeOut ? "\\strike" : "\\strike0");
        }
        if (f.color != current_.color) {
            word("\\cf" + std::to_string(f.color ? colorIndex_.at(*f.color) : 0));
        }
        current_ = f;
        current_.halfPoints = halfPoints;
    }

    // Control words are written without their delimiter; the text that
    // follows adds one only where it is needed.
    void word(std::string_view w) {
        if (column_ >= kHardLineLength) {
            out_ += '\n'; // before a backslash a line end cannot be mistaken for anything
            column_ = 0;
        }
        out_ += w;
        column_ += w.size();
        needDelimiter_ = true;
    }

    void writeText(const std::string& text, bool symbol) {
        const auto& escapes = textEscapes(symbol);
        if (needDelimiter_) {
            out_ += ' ';
            ++column_;
            needDelimiter_ = false;
        }
        if (document_.unicode) {
            writeUtf8(text, symbol);
            return;
        }
        for (const char c : text) {
            putByte(c, escapes);
            breakLongLine(c);
        }
    }

    // A byte as itself, or as its escape where it needs one.
    void putByte(char c, const std::array<std::string, 256>& escapes) {
        const std::string& escape = escapes[static_cast<unsigned char>(c)];
        if (escape.empty()) {
            out_ += c;
            ++column_;
        } else {
            out_ += escape;
            column_ += escape.size();
        }
    }

    // Lines end after a blank once they are long, and anywhere once too long.
    void breakLongLine(char last) {
        if ((last == ' ' && column_ >= kSoftLineLength) || column_ >= kHardLineLength) {
            out_ += '\n';
            column_ = 0;
        }
    }

    // A Unicode document's text. ASCII goes as in the code page (the
    // escapes of both kinds of run agree on it).
    void writeUtf8(const std::string& text, bool symbol) {
        const auto& escapes = textEscapes(symbol);
        for (std::size_t at = 0; at < text.size();) {
            const char c = text[at];
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x80) {
                putByte(c, escapes);
                ++at;
            } else {
                const std::size_t before = out_.size();
                if (const int length = Utf8::SequenceLength(text, at); length == 0) {
                    appendHex(out_, b); // kept from a broken file: the byte itself
                    ++at;
                } else {
                    appendCharacter(Utf8::Decode(text, at, length), escapes);
                    at += static_cast<std::size_t>(length);
                }
                column_ += out_.size() - before;
            }
            breakLongLine(c);
        }
    }

    void appendCharacter(char32_t ch, const std::array<std::string, 256>& escapes) {
        const int byte = CodePage::FromUnicode(ch);
        if (byte >= 0) {
            // The code page's characters go as in a code-page document; a
            // symbol font's as the glyph's number.
            out_ += escapes[static_cast<unsigned char>(byte)];
            return;
        }
        if (ch > 0xFFFF) {
            const char32_t offset = ch - 0x10000;
            appendUnicode(out_, static_cast<char16_t>(0xD800 + (offset >> 10)));
            out_ += '?';
            appendUnicode(out_, static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
            out_ += '?';
            return;
        }
        appendUnicode(out_, static_cast<char16_t>(ch));
        out_ += '?';
    }

    const Document& document_;
    const bool hasBase_;
    std::string out_;
    std::vector<FontKey> fonts_;
    std::map<FontKey, int> fontIndex_;
    std::vector<std::uint32_t> colors_;
    std::unordered_map<std::uint32_t, int> colorIndex_;
    CharFormat current_;
    bool fontIsDefault_ = true;
    bool started_ = false;
    bool needDelimiter_ = false;
    std::size_t column_ = 0;
};

} // namespace

std::string Write(const Document& document) {
    return Writer(document).Run();
}

CharFormat Resolved(const CharFormat& format, const BaseFont& base) {
    CharFormat f = format;
    if (isDefaultFont(f) && !base.face.empty()) {
        f.face = base.face;
        f.charset = base.charset;
    }
    if (f.halfPoints <= 0) {
        f.halfPoints = base.halfPoints;
    }
    // The text is in the document code page unless it is a symbol font's
    // glyphs, so a font is given the charset of that, not of its origin.
    if (f.charset != kSymbolCharset) {
        f.charset = f.face.empty() ? -1 : 0;
    }
    return f;
}

Document WithBaseResolved(Document document) {
    for (Paragraph& paragraph : document.paragraphs) {
        std::vector<Rtf::Run> runs;
        for (Rtf::Run& run : paragraph.runs) {
            run.format = Resolved(run.format, document.base);
            if (run.format.halfPoints <= 0) {
                run.format.halfPoints = 24; // what readers take for text without a size
            }
            // Neighbours that now share a format read back as one run.
            if (!runs.empty() && runs.back().format == run.format) {
                runs.back().text += run.text;
            } else if (!run.text.empty()) {
                runs.push_back(std::move(run));
            }
        }
        paragraph.runs = std::move(runs);
    }
    document.base = BaseFont{};
    return document;
}

} // namespace Rtf

#include "tests/framework/RtfSamples.h"

#include <stdexcept>

namespace {

using Rtf::Alignment;
using Rtf::CharFormat;
using Rtf::Document;
using Rtf::Paragraph;
using TextRun = Rtf::Run;

CharFormat font(std::string face, int halfPoints, int charset = -1) {
    CharFormat f;
    f.face = std::move(face);
    f.halfPoints = halfPoints;
    f.charset = charset;
    return f;
}

Document formats() {
    Document d;
    d.paragraphs.clear();
    CharFormat red = font("Arial", 24);
    red.bold = true;
    red.color = 0xFF0000;
    CharFormat black = font("Arial", 24);
    black.color = 0x000000; // explicit black differs from automatic
    CharFormat styled = font("Times New Roman", 33, 238);
    styled.italic = styled.underline = styled.strikeOut = true;
    CharFormat nameless; // an empty face with a charset is a font of its own
    nameless.charset = 0;
    d.paragraphs.push_back(
        Paragraph{Alignment::Center, {TextRun{"Red bold", red}, TextRun{" black", black}}});
    d.paragraphs.push_back(Paragraph{Alignment::Right, {TextRun{"plain default", CharFormat{}}}});
    d.paragraphs.push_back(Paragraph{Alignment::Justify, {}});
    d.paragraphs.push_back(Paragraph{
        Alignment::Left,
        {TextRun{"  lead\tand {braces} \\ here ", styled}, TextRun{"x", nameless},
         TextRun{"back to default", CharFormat{}}, TextRun{"auto colour", font("Arial", 24)}}});
    d.paragraphs.push_back(Paragraph{Alignment::Center, {}}); // an empty last paragraph
    return d;
}

// As the edit control gives it: a base font, runs with a font of their own
// (the font dialog gives charset 1), text without one.
Document baseFont() {
    Document d;
    d.base = Rtf::BaseFont{"MS Sans Serif", -1, 16};
    CharFormat sized; // the base face at a size of its own
    sized.halfPoints = 30;
    CharFormat arial = font("Arial", 24, 1);
    arial.bold = true;
    d.paragraphs[0].runs = {TextRun{"plain ", CharFormat{}}, TextRun{"arial", arial},
                            TextRun{" big", sized},
                            TextRun{" named", font("MS Sans Serif", 16, 1)}};
    d.paragraphs.push_back(Paragraph{Alignment::Center, {TextRun{"more", CharFormat{}}}});
    return d;
}

Document everyByte() {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') {
            all.push_back(static_cast<char>(b));
        }
    }
    Document d;
    d.paragraphs[0].runs = {TextRun{all, CharFormat{}}};
    d.paragraphs.push_back(
        Paragraph{Alignment::Left, {TextRun{std::string(1, '\0'), font("A;b{c}", 20)}}});
    return d;
}

Document westernText() {
    Document d;
    d.base = Rtf::BaseFont{"DejaVu Sans", -1, 22};
    d.paragraphs[0].runs = {TextRun{
        "Caf\xE9 cr\xE8me \x80 12, \x93quoted\x94 \x96 \x97 \xDF\xFC\xF1\xC6\xF8 \xA9\xAE\x99",
        CharFormat{}}};
    d.paragraphs.push_back(Paragraph{
        Alignment::Right, {TextRun{"\xBF\xA1Se\xF1or!", font("Liberation Serif", 28, 0)}}});
    return d;
}

// Glyphs of a symbol font stay its bytes; a bullet read from a list label
// in a symbol font is the code page's bullet, in that font.
Document symbols() {
    Document d;
    d.base = Rtf::BaseFont{"DejaVu Sans", -1, 22};
    d.paragraphs[0].runs = {TextRun{"\x95", font("OpenSymbol", 22, 0)},
                            TextRun{"\tfirst item", CharFormat{}}};
    d.paragraphs.push_back(
        Paragraph{Alignment::Left,
                  {TextRun{"\xB7", font("Symbol", 22, 2)}, TextRun{"\tsecond item, ", CharFormat{}},
                   TextRun{"abg", font("Symbol", 22, 2)}}});
    return d;
}

Document faceNames() {
    Document d;
    d.base = Rtf::BaseFont{"DejaVu Sans", -1, 22};
    d.paragraphs[0].runs = {
        TextRun{"accented face ", font("\xC3\x89l\xC3\xA9gante", 24)},
        TextRun{"far-east face ", font("\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D", 24)},
        TextRun{"plain face", font("Noto Sans", 24)}};
    return d;
}

// Text in UTF-8: scripts, a character beyond the BMP, a combining mark,
// characters Windows-1252 holds, controls, and a symbol font's glyphs as
// the code page's characters.
Document unicodeText() {
    Document d;
    d.unicode = true;
    d.base = Rtf::BaseFont{"Noto Sans", -1, 22};
    d.paragraphs[0].runs = {
        TextRun{"Καλημέρα, Привет, 中文 😀 e\u0301 caf\u00E9 \u20AC {\\}\t\x01", CharFormat{}},
        TextRun{"\u00B7\u2022", font("Symbol", 22, 2)},
        TextRun{"\uFFFD\uFFFF\U0010FFFF\u0081", font("\u5B8B\u4F53", 24)}};
    d.paragraphs.push_back(Paragraph{Alignment::Center, {}});
    return d;
}

} // namespace

std::vector<RtfSample> RtfSamples() {
    return {{"formats", formats()},          {"base font", baseFont()}, {"every byte", everyByte()},
            {"western text", westernText()}, {"symbols", symbols()},    {"face names", faceNames()},
            {"unicode text", unicodeText()}, {"empty", Document{}}};
}

Rtf::Document SampleDocument(const std::string& name) {
    for (RtfSample& sample : RtfSamples()) {
        if (sample.name == name) {
            return std::move(sample.document);
        }
    }
    throw std::invalid_argument("no sample " + name);
}

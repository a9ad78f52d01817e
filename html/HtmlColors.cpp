#include "html/HtmlColors.h"

#include "framework/CodePage.h"
#include "framework/ui/Platform.h"

bool TColorDialog::Execute(QWidget* parent) {
    return Platform().ColorDialog(parent, Color);
}

std::string ColorToHex(std::uint32_t rgb) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(6, '0');
    for (int i = 5; i >= 0; --i, rgb >>= 4) {
        out[static_cast<size_t>(i)] = kDigits[rgb & 0xF];
    }
    return out;
}

int HtmlFontSize(int points) {
    return points > 8 ? points / 4 : 1;
}

std::string ColorText(std::uint32_t rgb) {
    // Appended rather than "#" + hex: GCC 12's -O3 reports a false overlap
    // in the prepend.
    std::string text = "#";
    text += ColorToHex(rgb);
    return text;
}

std::string FontElement(const TFont& font, bool utf8) {
    // The face name is UTF-8, as the system names fonts; it goes in as the
    // dialog gives it, in the document's encoding.
    const std::string face =
        utf8 ? font.Name : CodePage::FromQString(QString::fromStdString(font.Name));
    return "<font face=\"" + face + "\" size=\"" + std::to_string(HtmlFontSize(font.Size)) +
           "\" color=\"" + ColorText(font.Color) + "\"></font>";
}

std::string HighlightElement(std::uint32_t rgb) {
    return "<span style=\"background-color: " + ColorText(rgb) + "\"></span>";
}

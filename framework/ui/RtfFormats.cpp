#include "framework/ui/RtfFormats.h"

#include <QBrush>
#include <QColor>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace RtfFormats {

Rtf::Alignment ToRtf(Qt::Alignment a) {
    if (a & Qt::AlignHCenter) {
        return Rtf::Alignment::Center;
    }
    if (a & Qt::AlignRight) {
        return Rtf::Alignment::Right;
    }
    if (a & Qt::AlignJustify) {
        return Rtf::Alignment::Justify;
    }
    return Rtf::Alignment::Left;
}

Qt::Alignment FromRtf(Rtf::Alignment a) {
    switch (a) {
    case Rtf::Alignment::Center:
        return Qt::AlignHCenter;
    case Rtf::Alignment::Right:
        return Qt::AlignRight;
    case Rtf::Alignment::Justify:
        return Qt::AlignJustify;
    case Rtf::Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

Rtf::CharFormat ToRtf(const QTextCharFormat& f) {
    Rtf::CharFormat r;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty()) {
        r.face = families.front().toStdString();
    }
    if (f.hasProperty(QTextFormat::FontPointSize)) {
        r.halfPoints = static_cast<int>(std::lround(f.fontPointSize() * 2));
    }
    r.bold = f.fontWeight() >= QFont::Bold;
    r.italic = f.fontItalic();
    r.underline = f.fontUnderline();
    r.strikeOut = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
        r.color = f.foreground().color().rgb() & 0xFFFFFFu;
    }
    if (f.hasProperty(kCharsetProperty)) {
        r.charset = f.intProperty(kCharsetProperty);
    }
    return r;
}

QTextCharFormat FromRtf(const Rtf::CharFormat& r) {
    QTextCharFormat f;
    if (!r.face.empty()) {
        f.setFontFamilies({QString::fromStdString(r.face)});
    }
    if (r.halfPoints > 0) {
        f.setFontPointSize(r.halfPoints / 2.0);
    }
    if (r.bold) {
        f.setFontWeight(QFont::Bold);
    }
    if (r.italic) {
        f.setFontItalic(true);
    }
    if (r.underline) {
        f.setFontUnderline(true);
    }
    if (r.strikeOut) {
        f.setFontStrikeOut(true);
    }
    if (r.color) {
        f.setForeground(QColor::fromRgb(*r.color));
    }
    if (r.charset >= 0) {
        f.setProperty(kCharsetProperty, r.charset);
    }
    return f;
}

Rtf::BaseFont BaseFontOf(const QFont& font) {
    Rtf::BaseFont base;
    base.face = font.family().toStdString();
    const double points =
        font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    base.halfPoints = std::max(1, static_cast<int>(std::lround(points * 2)));
    return base;
}

} // namespace RtfFormats

#include "app/Icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

struct TThemed {
    TGlyph glyph;
    const char* themeName;
};

constexpr TThemed ThemeNames[] = {
    {TGlyph::New, "document-new"},
    {TGlyph::Open, "document-open"},
    {TGlyph::Save, "document-save"},
    {TGlyph::SaveAs, "document-save-as"},
    {TGlyph::Print, "document-print"},
    {TGlyph::Exit, "application-exit"},
    {TGlyph::Cut, "edit-cut"},
    {TGlyph::Copy, "edit-copy"},
    {TGlyph::Paste, "edit-paste"},
    {TGlyph::Find, "edit-find"},
    {TGlyph::Replace, "edit-find-replace"},
    {TGlyph::Font, "preferences-desktop-font"},
    {TGlyph::Web, "internet-web-browser"},
    {TGlyph::AlignCenter, "format-justify-center"},
    {TGlyph::AlignLeft, "format-justify-left"},
    {TGlyph::AlignRight, "format-justify-right"},
    {TGlyph::Undo, "edit-undo"},
    {TGlyph::Redo, "edit-redo"},
    {TGlyph::Email, "mail-send"},
    {TGlyph::Clear, "edit-clear"},
    {TGlyph::About, "help-about"},
    {TGlyph::Update, "system-software-update"},
    {TGlyph::Link, "insert-link"},
    {TGlyph::Image, "insert-image"},
    {TGlyph::Home, "go-home"},
};

void page(QPainter& p, QRectF r) {
    p.setPen(QPen(Qt::black, 0.8));
    p.setBrush(Qt::white);
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.drawPath(path);
}

void lines(QPainter& p, int alignment) {
    p.setPen(QPen(Qt::black, 1.2));
    const double widths[] = {12, 8, 12, 6};
    for (int i = 0; i < 4; ++i) {
        const double w = widths[i];
        const double x = alignment < 0 ? 2 : alignment > 0 ? 14 - w : 8 - w / 2;
        p.drawLine(QPointF(x, 3.5 + i * 3), QPointF(x + w, 3.5 + i * 3));
    }
}

// A word in a bold face, centred in the rectangle.
void centredText(QPainter& p, const QRectF& rect, const char* family, int pixelSize,
                 const QColor& colour, const QString& text) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(rect, Qt::AlignCenter, text);
}

// Every glyph is drawn on a 16 x 16 grid and scaled.
void drawGlyph(QPainter& p, TGlyph glyph) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case TGlyph::New:
        page(p, QRectF(3, 1.5, 10, 13));
        break;
    case TGlyph::Open:
        p.setPen(QPen(QColor(120, 90, 0), 0.8));
        p.setBrush(QColor(240, 200, 60));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 3, 5, 2));
        break;
    case TGlyph::Save:
    case TGlyph::SaveAs:
        p.setPen(QPen(QColor(20, 40, 120), 0.8));
        p.setBrush(QColor(60, 90, 200));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 1.5, 8, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4, 9.5, 8, 5));
        if (glyph == TGlyph::SaveAs) {
            p.setPen(QPen(QColor(200, 40, 40), 2));
            p.drawLine(QPointF(9, 14), QPointF(15, 8));
        }
        break;
    case TGlyph::Print:
        page(p, QRectF(4, 1.5, 8, 6));
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 10.5, 8, 4));
        break;
    case TGlyph::Exit:
        p.setPen(QPen(QColor(190, 30, 30), 2.2));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case TGlyph::Cut:
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
        p.drawLine(QPointF(6, 10), QPointF(12, 1.5));
        p.drawLine(QPointF(10, 10), QPointF(4, 1.5));
        break;
    case TGlyph::Copy:
        page(p, QRectF(1.5, 1.5, 8, 10));
        page(p, QRectF(6.5, 4.5, 8, 10));
        break;
    case TGlyph::Paste:
        p.setPen(QPen(QColor(90, 60, 20), 0.8));
        p.setBrush(QColor(190, 140, 70));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(QRectF(4, 1, 5, 3));
        page(p, QRectF(7.5, 6.5, 7, 8));
        break;
    case TGlyph::Find:
    case TGlyph::Replace:
        p.setPen(QPen(Qt::black, 1.4));
        p.setBrush(QColor(200, 230, 255));
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setPen(QPen(Qt::black, 2.4));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        if (glyph == TGlyph::Replace) {
            p.setPen(QPen(QColor(200, 40, 40), 1.4));
            p.drawLine(QPointF(9, 2), QPointF(15, 2));
            p.drawLine(QPointF(13, 0.5), QPointF(15, 2));
        }
        break;
    case TGlyph::Font:
    case TGlyph::WebFont:
        centredText(p, QRectF(0, 0, 16, 16), "DejaVu Serif", 14,
                    glyph == TGlyph::Font ? QColor(Qt::black) : QColor(180, 20, 20),
                    glyph == TGlyph::Font ? QStringLiteral("A") : QStringLiteral("F"));
        break;
    case TGlyph::Web:
        p.setPen(QPen(QColor(20, 80, 160), 1));
        p.setBrush(QColor(170, 210, 250));
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 3, 6.5);
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    case TGlyph::Mosaic4:
    case TGlyph::Mosaic2:
        p.setPen(QPen(QColor(20, 40, 120), 0.8));
        p.setBrush(QColor(120, 160, 230));
        if (glyph == TGlyph::Mosaic4) {
            for (int i = 0; i < 4; ++i) {
                p.drawRect(QRectF(1.5 + (i % 2) * 7, 1.5 + (i / 2) * 7, 6, 6));
            }
        } else {
            p.drawRect(QRectF(1.5, 1.5, 6, 13));
            p.drawRect(QRectF(8.5, 1.5, 6, 13));
        }
        break;
    case TGlyph::AlignCenter:
    case TGlyph::CenterTag:
        lines(p, 0);
        break;
    case TGlyph::AlignLeft:
        lines(p, -1);
        break;
    case TGlyph::AlignRight:
        lines(p, 1);
        break;
    case TGlyph::Redo: // the undo arrow, turned the other way
        p.translate(16, 0);
        p.scale(-1, 1);
        [[fallthrough]];
    case TGlyph::Undo: {
        p.setPen(QPen(QColor(20, 80, 160), 1.8));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        path.moveTo(4, 7);
        path.cubicTo(7, 2, 15, 4, 12, 13);
        p.drawPath(path);
        p.drawLine(QPointF(4, 7), QPointF(3, 2.5));
        p.drawLine(QPointF(4, 7), QPointF(8.5, 6.5));
        break;
    }
    case TGlyph::Email:
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
        p.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
        break;
    case TGlyph::Clear:
        page(p, QRectF(3, 1.5, 10, 13));
        p.setPen(QPen(QColor(190, 30, 30), 1.6));
        p.drawLine(QPointF(5, 6), QPointF(11, 12));
        p.drawLine(QPointF(11, 6), QPointF(5, 12));
        break;
    case TGlyph::About:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 200));
        p.drawEllipse(QPointF(8, 8), 7, 7);
        centredText(p, QRectF(0, 0, 16, 16), "DejaVu Serif", 11, Qt::white, QStringLiteral("i"));
        break;
    case TGlyph::Update:
        p.setPen(QPen(QColor(20, 130, 40), 2));
        p.drawLine(QPointF(8, 2), QPointF(8, 12));
        p.drawLine(QPointF(4, 8), QPointF(8, 12.5));
        p.drawLine(QPointF(12, 8), QPointF(8, 12.5));
        p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
        break;
    case TGlyph::Link:
        p.setPen(QPen(QColor(20, 80, 160), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(1.5, 5.5, 8, 5), 2.5, 2.5);
        p.drawRoundedRect(QRectF(6.5, 5.5, 8, 5), 2.5, 2.5);
        break;
    case TGlyph::Image:
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(QColor(170, 210, 250));
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(60, 150, 60));
        p.drawPolygon(QPolygonF(
            {QPointF(2, 13), QPointF(7, 7), QPointF(10, 10), QPointF(12, 8), QPointF(14, 13)}));
        p.setBrush(QColor(250, 210, 40));
        p.drawEllipse(QPointF(11.5, 5.5), 1.5, 1.5);
        break;
    case TGlyph::Color: {
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        p.setPen(QPen(Qt::black, 0.6));
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colours[i]);
            p.drawRect(QRectF(1.5 + (i % 2) * 7, 1.5 + (i / 2) * 7, 6, 6));
        }
        break;
    }
    case TGlyph::Highlight:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 240, 60));
        p.drawRect(QRectF(0.5, 3.5, 15, 9));
        centredText(p, QRectF(0, 0, 16, 16), "DejaVu Sans", 9, Qt::black, QStringLiteral("ab"));
        break;
    case TGlyph::Home:
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(QColor(200, 60, 40));
        p.drawPolygon(QPolygonF({QPointF(1, 8), QPointF(8, 1.5), QPointF(15, 8)}));
        p.setBrush(QColor(240, 230, 200));
        p.drawRect(QRectF(3.5, 8, 9, 6.5));
        p.setBrush(QColor(120, 80, 40));
        p.drawRect(QRectF(7, 10.5, 2.5, 4));
        break;
    }
}

QPixmap glyphPixmap(TGlyph glyph, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(size / 16.0, size / 16.0);
    drawGlyph(p, glyph);
    return pixmap;
}

const char* themeName(TGlyph glyph) {
    for (const TThemed& themed : ThemeNames) {
        if (themed.glyph == glyph) {
            return themed.themeName;
        }
    }
    return nullptr;
}

} // namespace

QIcon GlyphIcon(TGlyph glyph) {
    // Desktops without a theme of their own still have the common one.
    static const bool fallbackSet = [] {
        if (QIcon::fallbackThemeName().isEmpty() ||
            QIcon::fallbackThemeName() == QStringLiteral("hicolor")) {
            QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        }
        return true;
    }();
    (void)fallbackSet;
    if (const char* name = themeName(glyph)) {
        QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
        if (!themed.isNull() && !themed.availableSizes().isEmpty()) {
            return themed;
        }
    }
    QIcon icon;
    for (int size : {16, 24, 32}) {
        icon.addPixmap(glyphPixmap(glyph, size));
    }
    return icon;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 48.0, size / 48.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 250, 245));
        p.drawRoundedRect(QRectF(6, 3, 32, 42), 3, 3);
        p.setPen(QPen(QColor(150, 150, 150), 2));
        for (int y = 12; y <= 36; y += 6) {
            p.drawLine(QPointF(11, y), QPointF(30, y));
        }
        // The quill.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 80, 170));
        QPainterPath quill;
        quill.moveTo(20, 42);
        quill.cubicTo(24, 26, 34, 12, 45, 4);
        quill.cubicTo(42, 16, 34, 30, 20, 42);
        p.drawPath(quill);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap BannerPicture() {
    QPixmap pixmap(95, 24);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, 95, 0);
    gradient.setColorAt(0, QColor(20, 60, 150));
    gradient.setColorAt(1, QColor(110, 170, 240));
    p.fillRect(pixmap.rect(), gradient);
    centredText(p, pixmap.rect(), "DejaVu Sans", 13, Qt::white, QStringLiteral("HTML tools"));
    return pixmap;
}

#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of the command table: the desktop theme's icon where it has
// one, else a small glyph drawn here.
enum class TGlyph {
    New,
    Open,
    Save,
    SaveAs,
    Print,
    Exit,
    Cut,
    Copy,
    Paste,
    Find,
    Replace,
    Font,
    Web,
    Mosaic4,
    Mosaic2,
    AlignCenter,
    AlignLeft,
    AlignRight,
    Undo,
    Redo,
    Email,
    Clear,
    About,
    Update,
    CenterTag,
    Link,
    Image,
    Color,
    WebFont,
    Highlight,
    Home
};

QIcon GlyphIcon(TGlyph glyph);
// The program's icon.
QIcon ApplicationIcon();
// The banner that opens the web row, 95 x 24.
QPixmap BannerPicture();

#pragma once

#include <QFont>

// The web dialogs' font: 8 points (11 pixels) of the dialog face they were
// laid out for, or of a face of the same width where it is missing, so their
// captions fit the sizes the layout gives them.
inline QFont DialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setPixelSize(11);
    return font;
}

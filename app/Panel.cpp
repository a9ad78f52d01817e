// The toolbar panel: the New and Open buttons, the standard row, the web row
// with its banner, and the View toggles that hide and move the rows.
#include "app/Icons.h"
#include "app/Main.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QToolButton>
#include <optional>

namespace {

struct TTextFace {
    const char* text;
    const char* family;
    int height; // pixels
    bool bold;
    bool italic;
    bool underline;
};

struct TButton {
    const char* name;
    int left;
    int top;
    int size; // 0: 53 x 49, else size x size
    const char* hint;
    std::optional<TGlyph> glyph;
    std::optional<TTextFace> face;
    TMainForm::THandler handler; // nullptr: connected by a later feature
    bool needsDocument;
};

using F = TMainForm;
// The web row's top and its banner's, in their own row and moved up into
// the standard row's place.
constexpr int WebRowTop = 30;
constexpr int ImageTop = 30;
constexpr int RaisedWebRowTop = 5;
constexpr int RaisedImageTop = 6;

const TButton Buttons[] = {
    {"SpeedButton1", 4, 5, 0, "New", TGlyph::New, std::nullopt, &F::FileNew, false},
    {"SpeedButton2", 57, 5, 0, "Open", TGlyph::Open, std::nullopt, &F::FileOpen, false},
    {"SpeedButton3", 110, 5, 25, "Save", TGlyph::Save, std::nullopt, &F::FileSave, true},
    {"SpeedButton4", 134, 5, 25, "Save As", TGlyph::SaveAs, std::nullopt, &F::FileSaveAs, true},
    {"SpeedButton5", 158, 5, 25, "Print", TGlyph::Print, std::nullopt, &F::Print1Click, true},
    {"SpeedButton6", 182, 5, 25, "Exit from Pennivale", TGlyph::Exit, std::nullopt, &F::FileExit,
     false},
    {"SpeedButton7", 206, 5, 25, "Cut", TGlyph::Cut, std::nullopt, &F::Cut1Click, true},
    {"SpeedButton8", 230, 5, 25, "Copy", TGlyph::Copy, std::nullopt, &F::Copy1Click, true},
    {"SpeedButton9", 254, 5, 25, "Paste", TGlyph::Paste, std::nullopt, &F::Paste1Click, true},
    {"SpeedButton10", 278, 5, 25, "Find", TGlyph::Find, std::nullopt, &F::Find1Click, true},
    {"SpeedButton11", 302, 5, 25, "Replace", TGlyph::Replace, std::nullopt, &F::Replace1Click,
     true},
    {"SpeedButton12", 327, 5, 25, "Set Font", TGlyph::Font, std::nullopt, &F::SetFont1Click, true},
    {"SpeedButton13", 351, 5, 25, "Preview Web Page in default browser", TGlyph::Web, std::nullopt,
     &F::PreviewWebPage1Click, true},
    {"SpeedButton14", 375, 5, 25, "Mosaic function for 4 windows", TGlyph::Mosaic4, std::nullopt,
     &F::Mosaic41Click, false},
    {"SpeedButton15", 399, 5, 25, "Mosaic function for 2 windows", TGlyph::Mosaic2, std::nullopt,
     &F::Mosaic21Click, false},
    {"SpeedButton16", 423, 5, 25, "Align Pennivale text to the center", TGlyph::AlignCenter,
     std::nullopt, &F::AlignCenter1Click, true},
    {"SpeedButton17", 447, 5, 25, "Align Pennivale text to the left", TGlyph::AlignLeft,
     std::nullopt, &F::AlignLeft1Click, true},
    {"SpeedButton18", 471, 5, 25, "Align Pennivale text to the right", TGlyph::AlignRight,
     std::nullopt, &F::AlignRight1Click, true},
    {"SpeedButton19", 495, 5, 25, "Undo last changes", TGlyph::Undo, std::nullopt, &F::Undo1Click,
     true},
    {"SpeedButton20", 520, 5, 25, "Send text by Email", TGlyph::Email, std::nullopt,
     &F::mnuSendbyEmailClick, true},
    {"SpeedButton112", 206, 30, 25, "Paragraph HTML Tag", std::nullopt,
     TTextFace{"\u00b6", "Times New Roman", 16, false, false, false}, &F::Paragraph, true},
    {"SpeedButton113", 230, 30, 25, "Break HTML Tag", std::nullopt,
     TTextFace{"BR", "Times New Roman", 13, true, false, false}, &F::Break, true},
    {"SpeedButton114", 254, 30, 25, "Non-breaking space HTML Tag", std::nullopt,
     TTextFace{"nb", "Times New Roman", 16, true, false, false}, &F::Space, true},
    {"SpeedButton115", 278, 30, 25, "Align to Center HTML Tag", TGlyph::CenterTag, std::nullopt,
     &F::Center, true},
    {"SpeedButton116", 302, 30, 25, "Bold HTML Tag", std::nullopt,
     TTextFace{"B", "Arial Black", 16, false, false, false}, &F::Bold, true},
    {"SpeedButton117", 326, 30, 25, "Italic HTML Tag", std::nullopt,
     TTextFace{"I", "Times New Roman", 16, true, true, false}, &F::Italic, true},
    {"SpeedButton118", 350, 30, 25, "Underlined HTML Tag", std::nullopt,
     TTextFace{"U", "Times New Roman", 16, true, false, true}, &F::UnderLine, true},
    {"SpeedButton119", 375, 30, 25, "Link HTML Tag", TGlyph::Link, std::nullopt, &F::Link, true},
    {"SpeedButton120", 399, 30, 25, "Image HTML Tag", TGlyph::Image, std::nullopt, &F::Image, true},
    {"SpeedButton121", 423, 30, 25, "HTML Color", TGlyph::Color, std::nullopt, &F::Color, true},
    {"SpeedButton122", 447, 30, 25, "Font HTML Tag", TGlyph::WebFont, std::nullopt, &F::SetWebFont,
     true},
    {"SpeedButton123", 471, 30, 25, "Highlight HTML Tag", TGlyph::Highlight, std::nullopt,
     &F::Highlight, true},
    {"SpeedButton124", 496, 30, 25, "Go to my HomePage", TGlyph::Home, std::nullopt,
     &F::SpeedButton124Click, false},
};

} // namespace

void TMainForm::createPanel() {
    Panel1 = new QFrame(centralWidget());
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    Panel1->setGeometry(0, 0, 560, 60);
    Panel1->setFixedHeight(60);

    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(0, 1, 559, 58);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(BannerPicture());
    Image1->setGeometry(110, ImageTop, 95, 24);

    for (const TButton& spec : Buttons) {
        auto* button = new QToolButton(Panel1);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setAutoRaise(true);
        if (spec.size == 0) {
            button->setGeometry(spec.left, spec.top, 53, 49);
            button->setIconSize(QSize(32, 32));
        } else {
            button->setGeometry(spec.left, spec.top, spec.size, spec.size);
            button->setIconSize(QSize(16, 16));
        }
        const QString hint = QString::fromUtf8(spec.hint);
        button->setToolTip(hint);
        button->setStatusTip(hint);
        if (spec.glyph) {
            button->setIcon(GlyphIcon(*spec.glyph));
        } else if (spec.face) {
            QFont font(QString::fromLatin1(spec.face->family));
            font.setPixelSize(spec.face->height);
            font.setBold(spec.face->bold);
            font.setItalic(spec.face->italic);
            font.setUnderline(spec.face->underline);
            button->setFont(font);
            button->setText(QString::fromUtf8(spec.face->text));
            QPalette palette = button->palette();
            palette.setColor(QPalette::ButtonText, Qt::black);
            button->setPalette(palette);
        }
        if (spec.handler) {
            ConnectCommand(button, spec.handler, spec.needsDocument);
        } else {
            button->setEnabled(false);
        }
    }
    Panel1->raise();
}

QList<QToolButton*> TMainForm::row(int first, int last) const {
    QList<QToolButton*> buttons;
    for (int number = first; number <= last; ++number) {
        buttons.append(Button(QStringLiteral("SpeedButton%1").arg(number)));
    }
    return buttons;
}

void TMainForm::StandardClick() {
    const bool show = !Standard->isChecked();
    Standard->setChecked(show);
    // Save to Send by Email; New and Open belong to no row.
    for (QToolButton* button : row(3, 20)) {
        button->setVisible(show);
    }
    // The web row moves up into the free row, and back.
    Image1->move(Image1->x(), show ? ImageTop : RaisedImageTop);
    for (QToolButton* button : row(112, 124)) {
        button->move(button->x(), show ? WebRowTop : RaisedWebRowTop);
    }
}

void TMainForm::WebClick() {
    // The row keeps its place, wherever the Standard toggle last put it.
    const bool show = !Web->isChecked();
    Web->setChecked(show);
    Image1->setVisible(show);
    for (QToolButton* button : row(112, 124)) {
        button->setVisible(show);
    }
}

#include "web/Unit3.h"

#include "framework/ui/Application.h"
#include "web/DialogFont.h"
#include "web/Handoff.h"
#include "web/Site.h"
#include "web/WebText.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cmath>

TfrmAbout* frmAbout = nullptr;

namespace {

// The line scrolls from here, 2 pixels a tick, and stops at the first left
// edge below StopAt.
constexpr int StartLeft = 224;
constexpr int StopAt = 84;
// Room kept between the link and the box's right edge.
constexpr int LinkMargin = 12;

QString credit() {
    return QStringLiteral("Created by ") + QString::fromStdString(AuthorName());
}

QString emailLine() {
    return QStringLiteral("E-mail  ") + QString::fromStdString(AuthorEmail());
}

double luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

namespace {

// The colour, lightened or darkened as little as needed to read well on the
// background.
QColor readableOn(const QColor& colour, const QColor& background) {
    // Blended towards white or black, whichever stands further from the
    // background, until the text reads easily (4.5 : 1).
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const QColor far =
        ContrastRatio(white, background) >= ContrastRatio(black, background) ? white : black;
    QColor out = colour;
    for (int step = 1; step <= 20 && ContrastRatio(out, background) < 4.5; ++step) {
        const double t = step / 20.0;
        out = QColor::fromRgbF(
            static_cast<float>(colour.redF() + t * (far.redF() - colour.redF())),
            static_cast<float>(colour.greenF() + t * (far.greenF() - colour.greenF())),
            static_cast<float>(colour.blueF() + t * (far.blueF() - colour.blueF())));
    }
    return out;
}

void colour(QWidget* widget, const QColor& text, const QColor& background = Qt::black) {
    QPalette palette = widget->palette();
    for (const auto role : {QPalette::Window, QPalette::Base}) {
        palette.setColor(role, background);
    }
    for (const auto role : {QPalette::WindowText, QPalette::Text}) {
        palette.setColor(role, text);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Pennivale"));
    setFont(DialogFont());
    colour(this, Qt::white);
    move(285, 108);
    setFixedSize(332, 210);

    label1_ = new QLabel(
        QStringLiteral("Pennivale is a simple text editor with many document windows at once, "
                       "helpers for writing HTML by hand and a cipher for private texts."),
        this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(21, 74, 236, 65);
    label1_->setWordWrap(true);
    label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    colour(label1_, Qt::white);

    titolo_ = new QLabel(QStringLiteral("Pennivale  V.2.3"), this);
    titolo_->setObjectName(QStringLiteral("titolo"));
    QFont title = font();
    title.setPixelSize(16);
    title.setBold(true);
    titolo_->setFont(title);
    colour(titolo_, Qt::white);
    titolo_->move(101, 26);
    titolo_->adjustSize();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(10);

    anim_ = new QLineEdit(credit(), this);
    anim_->setObjectName(QStringLiteral("anim"));
    anim_->setGeometry(StartLeft, 50, 137, 19);
    anim_->setCursorPosition(0);
    anim_->setReadOnly(true);
    anim_->setFrame(false);
    anim_->setFocusPolicy(Qt::NoFocus);
    anim_->setCursor(Qt::PointingHandCursor);
    anim_->setToolTip(QStringLiteral("Click to send me an Email"));
    anim_->setStatusTip(anim_->toolTip());
    colour(anim_, QColor(0x00, 0xFF, 0x00));
    anim_->installEventFilter(this);

    // Made after the line, so it lies over it: a black mask at the right
    // that the line scrolls out from under.
    edit1_ = new QLineEdit(this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(234, 48, 95, 19);
    edit1_->setFrame(false);
    colour(edit1_, Qt::black);

    label2_ = new QLabel(QStringLiteral("Pennivale on the Web..."), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    QFont link = font();
    link.setUnderline(true);
    label2_->setFont(link);
    // Where the face is wider than the one laid out for, the link grows to
    // the left rather than out of the box, and keeps a margin from its edge.
    const QSize linkSize = label2_->sizeHint().expandedTo(QSize(114, 13));
    label2_->setGeometry(std::min(208, 332 - LinkMargin - linkSize.width()), 168, linkSize.width(),
                         linkSize.height());
    colour(label2_, readableOn(QApplication::palette().color(QPalette::Link), Qt::black));
    label2_->setCursor(Qt::PointingHandCursor);
    label2_->setToolTip(QStringLiteral("Click here to visit Pennivale Web Site"));
    label2_->setStatusTip(label2_->toolTip());
    label2_->installEventFilter(this);

    okButton_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setGeometry(104, 160, 75, 25);
    // The button keeps the system's colours, not the box's black.
    okButton_->setPalette(QApplication::palette(okButton_));

    setTabOrder(edit1_, okButton_);

    connect(timer1_, &QTimer::timeout, this, &TfrmAbout::Timer1Timer);
    connect(okButton_, &QPushButton::clicked, this, &TfrmAbout::OKButtonClick);
    timer1_->start();
    frmAbout = this;
}

TfrmAbout::~TfrmAbout() {
    if (frmAbout == this) {
        frmAbout = nullptr;
    }
}

void TfrmAbout::ShowAbout() {
    show();
    raise();
    activateWindow();
}

void TfrmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    okButton_->setFocus();
}

void TfrmAbout::Timer1Timer() {
    if (anim_->x() >= StopAt) {
        anim_->move(anim_->x() - 2, anim_->y());
        return;
    }
    timer1_->setInterval(3000);
    if (credits_ % 2 != 0) {
        anim_->setText(emailLine());
        ++credits_;
    } else {
        anim_->setText(credit());
        --credits_;
    }
    // A text wider than the line shows from its start.
    anim_->setCursorPosition(0);
}

void TfrmAbout::animClick() {
    // The build settings are UTF-8, and so the greeting.
    const std::string greeting = "Dear " + AuthorFirstName() + ",";
    HandOff(MailtoUrl(AuthorEmail(), {{"Subject", "Pennivale User"}, {"Body", greeting}}, true));
}

void TfrmAbout::Label2Click() {
    HandOff(DownloadPageUrl());
}

void TfrmAbout::OKButtonClick() {
    hide();
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        (watched == anim_ || watched == label2_)) {
        Application().Dispatch([this, watched] {
            if (watched == anim_) {
                animClick();
            } else {
                Label2Click();
            }
        });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

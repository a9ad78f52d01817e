#include "framework/ui/Dialogs.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <array>

// ---- File dialogs

QStringList FileDialogNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        // The dialog takes its patterns from the last brackets and, told to
        // hide them, shows what stands before them: the description.
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

namespace {
QString decodedName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::string encodedName(const QString& name) {
    const QByteArray bytes = QFile::encodeName(name);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}
} // namespace

TFileDialog::TFileDialog(QWidget* parent, const TFileDialogRequest& request, bool save)
    : QFileDialog(parent, request.Title), filters_(FileDialogNameFilters(request.Filter)),
      filter_(request.Filter), nameToWrite_(save ? request.NameToWrite : nullptr) {
    // The toolkit's own dialog everywhere: a desktop's would show the
    // patterns a second time.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::HideNameFilterDetails, true);
    setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    setFileMode(
        save ? QFileDialog::AnyFile
             : (request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    setNameFilters(filters_);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters_.size()) {
        selectNameFilter(filters_[request.FilterIndex - 1]);
    }
    const QString folder = decodedName(request.Directory);
    if (!folder.isEmpty()) {
        setDirectory(folder);
    }
    if (!request.FileName.empty()) {
        const QString name = decodedName(request.FileName);
        if (folder.isEmpty() || QFileInfo(name).absolutePath() == QDir(folder).absolutePath()) {
            selectFile(name);
        }
    }
    SelectFileName();
}

void TFileDialog::accept() {
    const QStringList chosen = selectedFiles();
    if (nameToWrite_ && !chosen.isEmpty() && !QFileInfo(chosen.front()).isDir()) {
        TFileDialogRequest choice;
        choice.Filter = filter_;
        TakeChoice(choice);
        const QFileInfo written(decodedName(nameToWrite_(choice.FileName, choice.FilterIndex)));
        auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name && written.absoluteFilePath() != QFileInfo(chosen.front()).absoluteFilePath()) {
            // Not selectFile: it leaves a name field that has the focus alone.
            setDirectory(written.absolutePath());
            name->setText(written.fileName());
        }
    }
    QFileDialog::accept();
}

void TFileDialog::SelectFileName() {
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->selectAll();
        name->setFocus(Qt::OtherFocusReason);
    }
}

void TFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    // Once the dialog has placed its own focus.
    QTimer::singleShot(0, this, &TFileDialog::SelectFileName);
}

void TFileDialog::TakeChoice(TFileDialogRequest& request) const {
    request.FileNames.clear();
    for (const QString& name : selectedFiles()) {
        request.FileNames.push_back(encodedName(name));
    }
    if (!request.FileNames.empty()) {
        request.FileName = request.FileNames.front();
    }
    // The dialog names the chosen type by what it shows: the description.
    const QString chosen = selectedNameFilter();
    const QStringList shown = request.Filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < filters_.size(); ++i) {
        if (chosen == filters_[i] || (2 * i < shown.size() && chosen == shown[2 * i])) {
            request.FilterIndex = static_cast<int>(i) + 1;
            break;
        }
    }
}

// ---- Font dialog

namespace {

struct TNamedColor {
    const char* name;
    std::uint32_t rgb;
};

// The sixteen colours of the system's own font dialog.
constexpr std::array<TNamedColor, 16> kColors{{{"Black", 0x000000},
                                               {"Maroon", 0x800000},
                                               {"Green", 0x008000},
                                               {"Olive", 0x808000},
                                               {"Navy", 0x000080},
                                               {"Purple", 0x800080},
                                               {"Teal", 0x008080},
                                               {"Gray", 0x808080},
                                               {"Silver", 0xC0C0C0},
                                               {"Red", 0xFF0000},
                                               {"Lime", 0x00FF00},
                                               {"Yellow", 0xFFFF00},
                                               {"Blue", 0x0000FF},
                                               {"Fuchsia", 0xFF00FF},
                                               {"Aqua", 0x00FFFF},
                                               {"White", 0xFFFFFF}}};

constexpr int kColorRole = Qt::UserRole;
constexpr int kOtherColor = -1;

QIcon swatch(std::uint32_t rgb) {
    QPixmap pixmap(16, 12);
    pixmap.fill(QColor::fromRgb(rgb));
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

QString colorText(std::uint32_t rgb) {
    return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
}

} // namespace

TFontDialog::TFontDialog(QWidget* parent) : QFontDialog(parent) {
    setOption(QFontDialog::DontUseNativeDialog, true);
    colors_ = new QComboBox;
    colors_->setObjectName(QStringLiteral("ColorBox"));
    for (const TNamedColor& color : kColors) {
        colors_->addItem(swatch(color.rgb), QString::fromLatin1(color.name), color.rgb);
    }
    colors_->addItem(tr("Other..."), kOtherColor);
    auto* label = new QLabel(tr("&Colour:"));
    label->setBuddy(colors_);

    // Beside underline and strike-out, in the effects box.
    QCheckBox* effect = findChild<QCheckBox*>();
    auto* effects = effect ? qobject_cast<QGroupBox*>(effect->parentWidget()) : nullptr;
    if (effects && effects->layout()) {
        effects->layout()->addWidget(label);
        effects->layout()->addWidget(colors_);
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout())) {
        box->addWidget(label);
        box->addWidget(colors_);
    }
    connect(colors_, &QComboBox::activated, this, &TFontDialog::colorChosen);
    connect(this, &QFontDialog::currentFontChanged, this, [this] { showColor(); });
    SetColor(0x000000);
}

void TFontDialog::SetFont(const TFont& font) {
    setCurrentFont(font.ToQFont());
    charset_ = font.Charset;
    SetColor(font.Color);
}

TFont TFontDialog::Font() const {
    TFont font = TFont::FromQFont(currentFont(), Color());
    font.Charset = charset_;
    return font;
}

std::uint32_t TFontDialog::Color() const {
    return colors_->itemData(colors_->currentIndex(), kColorRole).toUInt();
}

void TFontDialog::SetColor(std::uint32_t rgb) {
    rgb &= 0xFFFFFFu;
    int index = -1;
    for (int i = 0; i < colors_->count(); ++i) {
        const QVariant value = colors_->itemData(i, kColorRole);
        if (value.toInt() != kOtherColor && value.toUInt() == rgb) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        // A colour of its own goes just before "Other...".
        index = colors_->count() - 1;
        colors_->insertItem(index, swatch(rgb), colorText(rgb));
        colors_->setItemData(index, rgb, kColorRole);
    }
    colors_->setCurrentIndex(index);
    lastColorIndex_ = index;
    showColor();
}

void TFontDialog::colorChosen(int index) {
    if (colors_->itemData(index, kColorRole).toInt() != kOtherColor) {
        lastColorIndex_ = index;
        showColor();
        return;
    }
    const std::uint32_t current = colors_->itemData(lastColorIndex_, kColorRole).toUInt();
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(current), this);
    SetColor(chosen.isValid() ? chosen.rgb() : current);
}

void TFontDialog::showColor() {
    // The sample shows the colour as well as the font.
    if (auto* sample = findChild<QLineEdit*>(QStringLiteral("qt_fontDialog_sampleEdit"))) {
        QPalette palette = sample->palette();
        palette.setColor(QPalette::Text, QColor::fromRgb(Color()));
        sample->setPalette(palette);
    }
}

// ---- Message boxes

namespace {

// Drawn rather than taken from the style, whose No and Cancel are the same.
QPixmap buttonGlyph(QMessageBox::StandardButton button, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    QPen pen;
    pen.setWidthF(2.2);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    switch (button) {
    case QMessageBox::Ok:
    case QMessageBox::Yes: { // a check mark
        pen.setColor(QColor(0x2E, 0x8B, 0x32));
        painter.setPen(pen);
        QPainterPath check;
        check.moveTo(2.5, 8.5);
        check.lineTo(6.5, 12.5);
        check.lineTo(13.5, 3.5);
        painter.drawPath(check);
        break;
    }
    case QMessageBox::No: // a cross
        pen.setColor(QColor(0xC6, 0x28, 0x28));
        painter.setPen(pen);
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    default: // Cancel: a barred circle
        pen.setColor(QColor(0x61, 0x61, 0x61));
        pen.setWidthF(1.8);
        painter.setPen(pen);
        painter.drawEllipse(QPointF(8, 8), 5.6, 5.6);
        painter.drawLine(QPointF(4.1, 11.9), QPointF(11.9, 4.1));
        break;
    }
    return pixmap;
}

} // namespace

QIcon MessageButtonIcon(QMessageBox::StandardButton button) {
    QIcon icon;
    for (const int size : {16, 24, 32}) {
        icon.addPixmap(buttonGlyph(button, size));
    }
    return icon;
}

void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& title,
                     TMsgButtons buttons, TMsgIcon icon) {
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case TMsgIcon::None:
        break;
    case TMsgIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case TMsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TMsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TMsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    switch (buttons) {
    case TMsgButtons::Ok:
        break;
    case TMsgButtons::OkCancel:
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case TMsgButtons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        break;
    case TMsgButtons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(standard);
    for (QAbstractButton* button : box.buttons()) {
        button->setIcon(MessageButtonIcon(box.standardButton(button)));
    }
    // A title and a close box, which is there only when closing has a
    // meaning (OK or Cancel); no minimize or maximize.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (buttons != TMsgButtons::YesNo) {
        flags |= Qt::WindowCloseButtonHint;
    }
    box.setWindowFlags(flags);
}

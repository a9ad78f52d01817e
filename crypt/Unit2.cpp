#include "crypt/Unit2.h"

#include "framework/CodePage.h"
#include "framework/ui/Application.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QValidator>
#include <limits>

TfrmCrypt* frmCrypt = nullptr;

namespace {

const char* const ModeItems[] = {"NumberKey Crypting", "Strong Crypting", "StringKey Crypting",
                                 "StringKey Crypting (100% Secure)"};

// Characters the document code page cannot hold become "?" as they are
// typed or pasted, so the key shown is the key used.
class TCodePageValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        QString out;
        out.reserve(input.size());
        int newPos = pos;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar ch = input[i];
            if (ch.isHighSurrogate() && i + 1 < input.size() && input[i + 1].isLowSurrogate()) {
                out += QLatin1Char('?');
                newPos -= i + 1 < pos ? 1 : 0;
                ++i;
            } else {
                out += CodePage::FromUnicode(ch.unicode()) >= 0 ? ch : QLatin1Char('?');
            }
        }
        if (out != input) {
            input = out;
            pos = newPos;
        }
        return Acceptable;
    }
};

} // namespace

TfrmCrypt::TfrmCrypt(QWidget* owner, TCryptHost& host)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      host_(host) {
    setObjectName(QStringLiteral("frmCrypt"));
    setWindowTitle(QStringLiteral("Crypting/Decrypting Key"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    // The designed window is 391 x 218 with its frame; inside the system's
    // usual borders and caption that leaves this client area.
    move(241, 161);
    setFixedSize(383, 191);

    radioGroup1_ = new QGroupBox(QStringLiteral("Crypting Mode"), this);
    radioGroup1_->setObjectName(QStringLiteral("RadioGroup1"));
    radioGroup1_->setGeometry(8, 11, 369, 62);
    auto* grid = new QGridLayout(radioGroup1_);
    // Tight margins: the longest item needs most of its column.
    grid->setContentsMargins(6, 0, 4, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(0);
    items_ = new QButtonGroup(this);
    const int itemsPerColumn = 2;
    for (int index = 0; index < 4; ++index) {
        auto* item = new QRadioButton(QString::fromLatin1(ModeItems[index]), radioGroup1_);
        item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(index));
        items_->addButton(item, index);
        // The items run down the first column, then down the second.
        grid->addWidget(item, index % itemsPerColumn, index / itemsPerColumn);
    }
    items_->button(0)->setChecked(true);

    label1_ = new QLabel(QStringLiteral("Type the key here:"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->move(10, 96);
    label1_->adjustSize();

    edit1_ = new QLineEdit(this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(10, 111, 359, 21);
    // The secure mode needs a key as long as the text: never cut one short.
    edit1_->setMaxLength(std::numeric_limits<int>::max());
    edit1_->setValidator(new TCodePageValidator(edit1_));

    button1_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                               QStringLiteral("&OK"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setGeometry(154, 152, 75, 25);
    button1_->setDefault(true);

    setTabOrder(items_->button(0), edit1_);
    setTabOrder(edit1_, button1_);

    connect(items_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            CryptMode();
        }
    });
    connect(button1_, &QPushButton::clicked, this,
            [this] { Application().Dispatch([this] { Button1Click(); }); });
    frmCrypt = this;
}

TfrmCrypt::~TfrmCrypt() {
    if (frmCrypt == this) {
        frmCrypt = nullptr;
    }
}

int TfrmCrypt::ItemIndex() const {
    return items_->checkedId();
}

void TfrmCrypt::SetItemIndex(int index) {
    if (QAbstractButton* item = items_->button(index)) {
        item->setChecked(true);
    }
}

void TfrmCrypt::ShowKeyDialog() {
    show();
    raise();
    activateWindow();
    // Ready for the key at once, in the modes that take one.
    if (edit1_->isEnabled()) {
        edit1_->setFocus();
    }
}

void TfrmCrypt::CryptMode() {
    const bool needsKey = ItemIndex() != static_cast<int>(TCryptMode::Strong);
    edit1_->setEnabled(needsKey);
    label1_->setEnabled(needsKey);
    if (needsKey) {
        edit1_->setFocus();
    }
}

void TfrmCrypt::Button1Click() {
    host_.CryptKey = CodePage::FromQString(edit1_->text());
    const bool encipher = host_.CryptDirection == "Crypt";
    if (encipher || host_.CryptDirection == "DeCrypt") {
        // The document may have closed while the dialog stood open.
        // Declined, nothing was done: the dialog stays for another mode.
        if (TRichEdit* target = host_.CryptTarget();
            target && !CipherText(*target, static_cast<TCryptMode>(ItemIndex()),
                                  encipher ? TCryptDirection::Encipher : TCryptDirection::Decipher,
                                  host_.CryptKey)) {
            return;
        }
    }
    close();
}

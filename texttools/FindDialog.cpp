#include "texttools/FindDialog.h"

#include "framework/ui/ShownText.h"
#include "texttools/RegexFindReplace.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

namespace {

constexpr int kButtonColumn = 2;

} // namespace

QString FieldText(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += (b == '\r' || b == '\n') ? QChar(0x2400 + b) : QChar(Shown::CodePageChar(b));
    }
    return out;
}

std::string FieldBytes(const QString& text, TEncoding encoding) {
    if (IsUnicode(encoding)) {
        // The pictures of controls give the controls; every other character
        // is kept.
        QString plain = text;
        for (QChar& ch : plain) {
            if ((ch.unicode() >= 0x2400 && ch.unicode() < 0x2420) || ch.unicode() == 0x2421) {
                ch = QChar(static_cast<char16_t>(Shown::CodePageByte(ch.unicode())));
            }
        }
        return FromQString(plain, encoding);
    }
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // one character, one "?"
            out.push_back('?');
            continue;
        }
        const int b = Shown::CodePageByte(ch.unicode());
        out.push_back(b >= 0 ? static_cast<char>(b) : '?');
    }
    return out;
}

TFindDialog::TFindDialog(QWidget* parent, TFindOptions options)
    : QDialog(parent), options_(options) {
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(tr("Find"));
    grid_ = new QGridLayout(this);
    grid_->setSizeConstraint(QLayout::SetFixedSize);
    findEdit_ = addTextRow(0, tr("Fi&nd what:"), "FindWhat", findProblem_);
    connect(findEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        findText_ = text;
        say(findProblem_, {});
        refresh();
    });
    findNext_ = addButton(0, tr("&Find Next"), "FindNextButton");
    findNext_->setDefault(true);
    connect(findNext_, &QPushButton::clicked, this, &TFindDialog::OnFind);

    wholeWord_ = new QCheckBox(tr("Match &whole word only"), this);
    wholeWord_->setObjectName(QStringLiteral("WholeWord"));
    matchCase_ = new QCheckBox(tr("Match &case"), this);
    matchCase_->setObjectName(QStringLiteral("MatchCase"));
    regularExpression_ = new QCheckBox(tr("Regular e&xpression"), this);
    regularExpression_->setObjectName(QStringLiteral("RegularExpression"));
    grid_->addWidget(wholeWord_, 3, 0, 1, 2);
    grid_->addWidget(matchCase_, 4, 0, 1, 2);
    grid_->addWidget(regularExpression_, 5, 0, 1, 2);
    connect(wholeWord_, &QCheckBox::toggled, this, [this](bool on) { setOption(frWholeWord, on); });
    connect(matchCase_, &QCheckBox::toggled, this, [this](bool on) { setOption(frMatchCase, on); });
    connect(regularExpression_, &QCheckBox::toggled, this,
            [this](bool on) { setOption(frRegularExpression, on); });

    cancel_ = addButton(1, tr("Cancel"), "CancelButton");
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    refresh();
}

QLineEdit* TFindDialog::addTextRow(int row, const QString& label, const char* name,
                                   QLabel*& problem) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    // Long search texts are kept whole.
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setMinimumWidth(220);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(field);
    // Caption and buttons keep to the field when a problem shows below it.
    caption->setMinimumHeight(field->sizeHint().height());
    grid_->addWidget(caption, row, 0, Qt::AlignTop);
    problem = new QLabel(this);
    problem->setObjectName(QString::fromLatin1(name) + QStringLiteral("Problem"));
    problem->setWordWrap(true);
    problem->setTextFormat(Qt::PlainText);
    problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = problem->palette();
    palette.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x20));
    problem->setPalette(palette);
    problem->hide();
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(field);
    column->addWidget(problem);
    grid_->addLayout(column, row, 1);
    return field;
}

void TFindDialog::say(QLabel* label, const QString& text) {
    if (label) {
        label->setText(text);
        label->setVisible(!text.isEmpty());
    }
}

void TFindDialog::ShowProblem(const TRegexProblem& problem) {
    say(findProblem_,
        problem.field == TRegexProblem::Pattern ? FieldText(problem.message) : QString());
}

QPushButton* TFindDialog::addButton(int row, const QString& caption, const char* name) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    // Enter is Find Next, whichever button was pressed last.
    button->setAutoDefault(false);
    grid_->addWidget(button, row, kButtonColumn, Qt::AlignTop);
    return button;
}

void TFindDialog::SetFindText(QString text) {
    findText_ = std::move(text);
    findEdit_->setText(findText_);
    refresh();
}

void TFindDialog::SetOptions(TFindOptions options) {
    options_ = options;
    refresh();
}

void TFindDialog::setOption(TFindOption option, bool on) {
    options_.setFlag(option, on);
    ShowProblem({});
}

void TFindDialog::refresh() {
    const QSignalBlocker blockWhole(wholeWord_);
    const QSignalBlocker blockCase(matchCase_);
    const QSignalBlocker blockExpression(regularExpression_);
    wholeWord_->setChecked(options_.testFlag(frWholeWord));
    matchCase_->setChecked(options_.testFlag(frMatchCase));
    regularExpression_->setChecked(options_.testFlag(frRegularExpression));
    findNext_->setEnabled(!findText_.isEmpty());
}

void TFindDialog::Execute() {
    if (!isVisible()) {
        show();
    }
    raise();
    activateWindow();
    findEdit_->setFocus();
    findEdit_->selectAll();
}

TReplaceDialog::TReplaceDialog(QWidget* parent, TFindOptions options)
    : TFindDialog(parent, options) {
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(tr("Replace"));
    replaceEdit_ = addTextRow(1, tr("Re&place with:"), "ReplaceWith", replaceProblem_);
    connect(replaceEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        replaceText_ = text;
        say(replaceProblem_, {});
    });
    // Cancel moves down below the two replace buttons.
    grid_->removeWidget(cancel_);
    replace_ = addButton(1, tr("&Replace"), "ReplaceButton");
    replaceAll_ = addButton(2, tr("Replace &All"), "ReplaceAllButton");
    grid_->addWidget(cancel_, 3, kButtonColumn);
    connect(replace_, &QPushButton::clicked, this, [this] {
        setOption(frReplaceAll, false);
        emit OnReplace();
    });
    connect(replaceAll_, &QPushButton::clicked, this, [this] {
        setOption(frReplaceAll, true);
        emit OnReplace();
    });
    setTabOrder(findEdit_, replaceEdit_);
    refresh();
}

void TReplaceDialog::SetReplaceText(QString text) {
    replaceText_ = std::move(text);
    replaceEdit_->setText(replaceText_);
}

void TReplaceDialog::ShowProblem(const TRegexProblem& problem) {
    TFindDialog::ShowProblem(problem);
    say(replaceProblem_,
        problem.field == TRegexProblem::Replacement ? FieldText(problem.message) : QString());
}

void TReplaceDialog::refresh() {
    TFindDialog::refresh();
    if (replace_) {
        replace_->setEnabled(!FindText().isEmpty());
        replaceAll_->setEnabled(!FindText().isEmpty());
    }
}

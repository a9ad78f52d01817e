// The Encoding submenu of the File menu and the encoding field of the status
// line. The work is done in document/EncodingCommands.
#include "app/Main.h"
#include "document/EncodingCommands.h"
#include "framework/ui/RichEdit.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>

namespace {

// Where each encoding's access key stands in its name: "&Windows-1252",
// "UTF-&8", "UTF-8 with &BOM", "UTF-16 &LE", "UTF-16 B&E".
constexpr int AccessKeyAt[kEncodingCount] = {0, 4, 11, 7, 8};

QString itemCaption(TEncoding encoding) {
    QString caption = EncodingName(encoding);
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const int at = AccessKeyAt[static_cast<int>(encoding)];
    return at < caption.size() ? caption.insert(at, QLatin1Char('&')) : caption;
}

QMenu* encodingSubmenu(QWidget* owner, const QString& name, const QString& caption,
                       const QString& hint) {
    auto* menu = new QMenu(caption, owner);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    menu->menuAction()->setStatusTip(hint);
    return menu;
}

} // namespace

void TMainForm::createEncodingMenu(QMenu* fileMenu, QAction* before) {
    EncodingMenu = encodingSubmenu(this, QStringLiteral("Encoding1"), QStringLiteral("En&coding"),
                                   QStringLiteral("The encoding of the document's file"));
    QMenu* reopen =
        encodingSubmenu(this, QStringLiteral("ReopenWith"), QStringLiteral("&Reopen with"),
                        QStringLiteral("Read the file again in another encoding"));
    QMenu* convert =
        encodingSubmenu(this, QStringLiteral("ConvertTo"), QStringLiteral("&Convert to"),
                        QStringLiteral("Write the document in another encoding from the next "
                                       "save on"));
    QMenu* defaults = encodingSubmenu(this, QStringLiteral("DefaultEncoding"),
                                      QStringLiteral("&Default for new documents"),
                                      QStringLiteral("The encoding new documents are written in"));
    // Radio items. Each mark is set after the command from what it left (the
    // active document's encoding, the default), not by the click itself.
    auto* convertMarks = new QActionGroup(this);
    auto* defaultMarks = new QActionGroup(this);
    for (QActionGroup* marks : {convertMarks, defaultMarks}) {
        marks->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    for (int i = 0; i < kEncodingCount; ++i) {
        const auto encoding = static_cast<TEncoding>(i);
        const QString name = EncodingName(encoding);
        auto add = [&](QMenu* menu, const QString& hint, const std::function<void()>& command,
                       bool needsDocument) {
            auto* action = new QAction(itemCaption(encoding), this);
            action->setObjectName(menu->objectName() + QString::number(i));
            action->setStatusTip(hint.arg(name));
            ConnectCommand(action, command, needsDocument);
            menu->addAction(action);
            return action;
        };
        reopenItems_[i] = add(
            reopen, QStringLiteral("Read the file again as %1"),
            [this, encoding] {
                onActiveDocument([this, encoding](TfrmNew& window) {
                    ReopenWith(window, encoding, LoadSaveProgress());
                });
            },
            true);
        convertItems_[i] = add(
            convert, QStringLiteral("Write the document as %1 from the next save on"),
            [this, encoding] {
                onActiveDocument([encoding](TfrmNew& window) { ConvertTo(window, encoding); });
                refreshEncoding(); // a No leaves the mark where it was
            },
            true);
        defaultItems_[i] = add(
            defaults, QStringLiteral("Write new documents as %1"),
            [this, encoding] {
                SetNewDocumentEncoding(encoding);
                refreshEncoding();
            },
            false);
        convertItems_[i]->setCheckable(true);
        defaultItems_[i]->setCheckable(true);
        convertMarks->addAction(convertItems_[i]);
        defaultMarks->addAction(defaultItems_[i]);
    }
    EncodingMenu->addMenu(reopen);
    EncodingMenu->addMenu(convert);
    QAction* separator = EncodingMenu->addSeparator();
    separator->setObjectName(QStringLiteral("N8"));
    EncodingMenu->addMenu(defaults);
    fileMenu->insertMenu(before, EncodingMenu);
}

void TMainForm::createEncodingField() {
    EncodingButton = new QToolButton(StatusLine);
    EncodingButton->setObjectName(QStringLiteral("EncodingButton"));
    EncodingButton->setAutoRaise(true);
    EncodingButton->setFocusPolicy(Qt::NoFocus);
    EncodingButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    EncodingButton->setPopupMode(QToolButton::InstantPopup);
    EncodingButton->setMenu(EncodingMenu);
    EncodingButton->setToolTip(QStringLiteral("The encoding of the document's file"));
    EncodingButton->setStatusTip(EncodingButton->toolTip());
    StatusLine->addPermanentWidget(EncodingButton);
}

void TMainForm::watchActiveEncoding() {
    TfrmNew* active = ActiveDocument();
    if (active == encodingWatched_) {
        return;
    }
    for (const QMetaObject::Connection& watch : encodingWatch_) {
        disconnect(watch);
    }
    encodingWatched_ = active;
    if (active) {
        // Whether its file can be read again changes with a save under a name.
        encodingWatch_ = {
            connect(&active->Edit1(), &TRichEdit::OnEncodingChange, this,
                    &TMainForm::refreshEncoding),
            connect(active, &TfrmNew::OnFileChange, this, &TMainForm::refreshEncoding)};
    }
}

void TMainForm::refreshEncoding() {
    watchActiveEncoding();
    const TfrmNew* active = ActiveDocument();
    const bool reopenable = active && CanReopen(*active);
    const int current = active ? static_cast<int>(active->Edit1().Encoding()) : -1;
    const int byDefault = static_cast<int>(NewDocumentEncoding());
    for (int i = 0; i < kEncodingCount; ++i) {
        reopenItems_[i]->setEnabled(reopenable);
        convertItems_[i]->setChecked(i == current);
        defaultItems_[i]->setChecked(i == byDefault);
    }
    EncodingButton->setVisible(active != nullptr);
    EncodingButton->setText(active ? EncodingName(active->Edit1().Encoding()) : QString());
}

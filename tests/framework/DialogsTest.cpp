// The toolkit's dialogs as the seam shows them, looked at without showing them.
#include "framework/ui/Dialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kFilter = QStringLiteral(
    "Text Files (*.txt)|*.txt|html, htm (*.html, *.htm)|*.html;*.htm|C/C++ Files (*.c, *.cpp, "
    "*.h)|*.c;*.cpp;*.h|RichText Files (*.rtf)|*.rtf|All Files (*.*)|*.*");

QStringList shownTypes(const QFileDialog& dialog) {
    QStringList shown;
    const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; types && i < types->count(); ++i) {
        shown << types->itemText(i);
    }
    return shown;
}

} // namespace

TEST(Dialogs, FileDialogShowsEachTypeOnceSelectsTheNameAndGivesBackTheChoice) {
    QTemporaryDir dir;
    TFileDialogRequest request;
    request.Title = QStringLiteral("Save File with Pennivale");
    request.Filter = kFilter;
    request.FilterIndex = 2;
    request.FileName = (dir.path() + QStringLiteral("/old name.txt")).toStdString();
    request.NameToWrite = [](const std::string& name, int) { return name + ".rtf"; };
    TFileDialog dialog(nullptr, request, true);

    EXPECT_EQ(dialog.windowTitle(), request.Title);
    EXPECT_EQ(shownTypes(dialog), (QStringList{"Text Files (*.txt)", "html, htm (*.html, *.htm)",
                                               "C/C++ Files (*.c, *.cpp, *.h)",
                                               "RichText Files (*.rtf)", "All Files (*.*)"}));
    // Each type filters by its own patterns, not by its description's.
    EXPECT_EQ(FileDialogNameFilters(kFilter)[2],
              QStringLiteral("C/C++ Files (*.c, *.cpp, *.h) (*.c *.cpp *.h)"));
    EXPECT_EQ(FileDialogNameFilters(kFilter)[4], QStringLiteral("All Files (*.*) (*)"));

    // Typing replaces the old name: it is selected.
    const auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("old name.txt"));
    EXPECT_EQ(name->selectedText(), name->text());

    TFileDialogRequest answer = request;
    dialog.TakeChoice(answer);
    EXPECT_EQ(answer.FilterIndex, 2) << "the type chosen last is chosen again";
    EXPECT_EQ(answer.FileName, request.FileName);
    dialog.selectNameFilter(FileDialogNameFilters(kFilter)[3]);
    dialog.TakeChoice(answer);
    EXPECT_EQ(answer.FilterIndex, 4);

    // Typed into the focused field, the name becomes the one the program
    // writes, which the toolkit's overwrite question is then about.
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* typed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    typed->setFocus();
    typed->setText(QStringLiteral("page"));
    dialog.accept();
    EXPECT_EQ(dialog.selectedFiles(), QStringList{dir.path() + QStringLiteral("/page.rtf")});

    // Told a folder, the dialog starts there, offering no name from elsewhere.
    request.Directory = QDir::rootPath().toStdString();
    TFileDialog open(nullptr, request, false);
    EXPECT_EQ(open.directory(), QDir::root());
    EXPECT_EQ(open.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), QString());
}

TEST(Dialogs, FontDialogOffersEverythingSetFontAppliesColourIncluded) {
    TFontDialog dialog;
    TFont font;
    font.Name = "DejaVu Serif";
    font.Size = 14;
    font.Italic = font.Underline = font.StrikeOut = true;
    font.Charset = 238;
    for (const std::uint32_t colour : {0x800000u, 0x123456u}) { // one of the list, one of its own
        font.Color = colour;
        dialog.SetFont(font);
        EXPECT_EQ(dialog.Font(), font);
    }
    auto* box = dialog.findChild<QComboBox*>(QStringLiteral("ColorBox"));
    ASSERT_TRUE(box && box->isVisibleTo(&dialog));
    box->setCurrentIndex(box->findText(QStringLiteral("Blue")));
    EXPECT_EQ(dialog.Font().Color, 0x0000FFu);
}

TEST(Dialogs, MessageBoxesHaveNoMinimizeOrMaximizeAndTellTheirButtonsApart) {
    QMessageBox box;
    SetUpMessageBox(box, QStringLiteral("Do you want to save?\nUntitled"),
                    QStringLiteral("ATTENTION!"), TMsgButtons::YesNoCancel, TMsgIcon::None);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("ATTENTION!"));
    EXPECT_EQ(box.text(), QStringLiteral("Do you want to save?\nUntitled"));
    EXPECT_FALSE(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(box.windowFlags() & Qt::WindowCloseButtonHint) << "closing is Cancel";
    std::vector<QImage> glyphs;
    for (const auto standard : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
        ASSERT_NE(box.button(standard), nullptr);
        glyphs.push_back(box.button(standard)->icon().pixmap(16, 16).toImage());
        EXPECT_FALSE(glyphs.back().isNull());
    }
    EXPECT_NE(glyphs[0], glyphs[1]);
    EXPECT_NE(glyphs[1], glyphs[2]) << "No and Cancel look different";
    EXPECT_NE(glyphs[0], glyphs[2]);

    QMessageBox question;
    SetUpMessageBox(question, QStringLiteral("?"), QStringLiteral("t"), TMsgButtons::YesNo,
                    TMsgIcon::Question);
    EXPECT_FALSE(question.windowFlags() & Qt::WindowCloseButtonHint) << "no answer to close with";
}

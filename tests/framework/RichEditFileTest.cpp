#include "framework/Exceptions.h"
#include "framework/Files.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/RichEdit.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

std::string pathIn(const QTemporaryDir& dir, const char* name) {
    return (dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString();
}

} // namespace

TEST(RichEditFiles, RichTextSurvivesSaveAndLoad) {
    QTemporaryDir dir;
    TRichEdit edit;
    edit.SetText("Title line\r\nplain and bold and red\r\ncaf\xE9 \x80 end");
    edit.SetSelStart(0);
    edit.SetSelLength(5);
    edit.SetParagraphAlignment(TParaAlignment::Center);
    edit.SetSelStart(22);
    edit.SetSelLength(4);
    TFont bold;
    bold.Name = "Arial";
    bold.Size = 12;
    bold.Bold = true;
    edit.SetSelAttributes(bold);
    edit.SetSelStart(31);
    edit.SetSelLength(3);
    TFont red;
    red.Name = "Times New Roman";
    red.Size = 10;
    red.Italic = true;
    red.Color = 0xCC0000;
    edit.SetSelAttributes(red);

    const std::string file = pathIn(dir, "doc.rtf");
    edit.SaveToFile(file);
    EXPECT_EQ(ReadFileBytes(file).rfind("{\\rtf", 0), 0u);

    TRichEdit loaded;
    QSignalSpy changes(&loaded, &TRichEdit::OnChange);
    loaded.LoadFromFile(file);
    EXPECT_EQ(changes.count(), 0) << "a load is not a change";
    EXPECT_FALSE(loaded.CanUndo());
    // Paragraphs come back as breaks of the default kind.
    EXPECT_EQ(loaded.Text(), "Title line\nplain and bold and red\ncaf\xE9 \x80 end");
    EXPECT_EQ(loaded.ParagraphAlignment(), TParaAlignment::Center);
    loaded.SetSelStart(12);
    EXPECT_EQ(loaded.ParagraphAlignment(), TParaAlignment::Left);
    loaded.SetSelStart(loaded.FindText("bold", 0, -1, true, true));
    loaded.SetSelLength(4);
    EXPECT_TRUE(loaded.SelAttributes().Bold);
    EXPECT_EQ(loaded.SelAttributes().Size, 12);
    loaded.SetSelStart(loaded.FindText("red", 0, -1, true, true));
    loaded.SetSelLength(3);
    EXPECT_TRUE(loaded.SelAttributes().Italic);
    EXPECT_EQ(loaded.SelAttributes().Color, 0xCC0000u);
    loaded.SetSelStart(12);
    loaded.SetSelLength(2);
    EXPECT_FALSE(loaded.SelAttributes().Bold);
}

TEST(RichEditFiles, RichTextNamesTheBaseFontAndItsSize) {
    TRichEdit edit;
    QFont base(QStringLiteral("DejaVu Serif"));
    base.setPointSize(11);
    edit.document()->setDefaultFont(base);
    edit.SetText("nothing but text");
    const std::string rtf = edit.RtfText();
    EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fnil DejaVu Serif;}}"), std::string::npos) << rtf;
    // Another reader sees the text in that font and size.
    const Rtf::Document read = Rtf::Read(rtf);
    ASSERT_EQ(read.paragraphs[0].runs.size(), 1u);
    EXPECT_EQ(read.paragraphs[0].runs[0].format.face, "DejaVu Serif");
    EXPECT_EQ(read.paragraphs[0].runs[0].format.halfPoints, 22);
}

TEST(RichEditFiles, LoadsRtfFromOtherProgramsAndPlainTextOtherwise) {
    QTemporaryDir dir;
    const std::string rtf = pathIn(dir, "other.rtf");
    WriteFileBytes(rtf,
                   "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                   "{\\colortbl ;\\red0\\green0\\blue255;}{\\*\\generator Some Writer;}"
                   "\\viewkind4\\uc1\\pard\\qr\\f0\\fs20 Caf\\'e9 \\cf1\\b bleu\\b0\\cf0\\par\n"
                   "\\pard na\\u239?ve \\uc0\\u8364 x\\par}");
    TRichEdit edit;
    edit.LoadFromFile(rtf);
    EXPECT_EQ(edit.Text(), "Caf\xE9 bleu\nna\xEFve \x80x\n");
    EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Right);

    // Every byte value of a binary file comes through a plain-text load.
    std::string binary;
    for (int round = 0; round < 3; ++round) {
        for (int b = 0; b < 256; ++b) {
            binary.push_back(static_cast<char>(b));
        }
    }
    const std::string plain = pathIn(dir, "binary.dat");
    WriteFileBytes(plain, binary);
    edit.LoadFromFile(plain);
    EXPECT_EQ(edit.Text(), binary);

    // A file that merely mentions RTF later on is plain text.
    WriteFileBytes(plain, " {\\rtf1 not at the start}");
    edit.LoadFromFile(plain);
    EXPECT_EQ(edit.Text(), " {\\rtf1 not at the start}");
}

TEST(RichEditFiles, FailuresRaiseAndKeepWhatWasThere) {
    QTemporaryDir dir;
    TRichEdit edit;
    edit.SetText("kept");
    const std::string missing = pathIn(dir, "missing.rtf");
    try {
        edit.LoadFromFile(missing);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing);
    }
    EXPECT_THROW(edit.LoadFromFile(dir.path().toStdString()), EFOpenError);
    EXPECT_EQ(edit.Text(), "kept");

    const std::string file = pathIn(dir, "saved.rtf");
    WriteFileBytes(file, "old contents");
    const std::string intoDirectory = dir.path().toStdString();
    EXPECT_THROW(edit.SaveToFile(intoDirectory), EFCreateError);
    EXPECT_THROW(edit.SaveToFile(pathIn(dir, "no/such/dir.rtf")), EFCreateError);
    EXPECT_EQ(ReadFileBytes(file), "old contents");
}

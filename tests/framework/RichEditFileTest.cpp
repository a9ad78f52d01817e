#include "framework/Exceptions.h"
#include "framework/Files.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/RichEdit.h"
#include "tests/framework/RtfSamples.h"
#include "tests/framework/RtfTestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

namespace {

std::string pathIn(const QTemporaryDir& dir, const char* name) {
    return (dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString();
}

// What the control shows of the character before the caret: face (the
// base font's when it names none), size in whole points, style, colour.
Rtf::CharFormat shownFormat(const TRichEdit& edit) {
    const TFont f = edit.SelAttributes();
    return Rtf::CharFormat{f.Name,      2 * f.Size,  f.Bold,  f.Italic,
                           f.Underline, f.StrikeOut, f.Color, -1};
}

Rtf::Alignment shownAlignment(const TRichEdit& edit) {
    switch (edit.ParagraphAlignment()) {
    case TParaAlignment::Center:
        return Rtf::Alignment::Center;
    case TParaAlignment::Right:
        return Rtf::Alignment::Right;
    case TParaAlignment::Justify:
        return Rtf::Alignment::Justify;
    default:
        return Rtf::Alignment::Left;
    }
}

// Reads the file the control saved and checks, character by character, that
// it holds the control's text in the formats and alignments the control shows.
void expectFileShowsTheControl(TRichEdit& edit, const std::string& file) {
    const Rtf::Document read = Rtf::Read(ReadFileBytes(file));
    std::string text;
    int byte = 0;
    for (std::size_t p = 0; p < read.paragraphs.size(); ++p) {
        const Rtf::Paragraph& paragraph = read.paragraphs[p];
        edit.SetSelStart(byte);
        EXPECT_EQ(shownAlignment(edit), paragraph.alignment) << "paragraph " << p;
        for (const Rtf::Run& run : paragraph.runs) {
            Rtf::CharFormat written = run.format;
            written.charset = -1;                      // the control shows no charset
            written.color = written.color.value_or(0); // automatic is the text's black
            written.halfPoints = 2 * qRound(written.halfPoints / 2.0);
            for (int i = 1; i <= static_cast<int>(run.text.size()); ++i) {
                edit.SetSelStart(byte + i);
                ASSERT_EQ(shownFormat(edit), written)
                    << "paragraph " << p << " " << testing::PrintToString(run.text);
            }
            byte += static_cast<int>(run.text.size());
            text += run.text;
        }
        if (p + 1 < read.paragraphs.size()) {
            // The break the control holds there, whichever line end it is.
            const std::string rest = edit.Text().substr(static_cast<std::size_t>(byte), 2);
            const std::string end = rest == "\r\n" ? rest : rest.substr(0, 1);
            text += end;
            byte += static_cast<int>(end.size());
        }
    }
    EXPECT_EQ(text, edit.Text());
}

// Opened again, a saved file is the control's document: the same rich text,
// with each paragraph break of the default kind; a load is no change.
void expectLoadsAsSaved(const TRichEdit& edit, const std::string& file) {
    EXPECT_EQ(ReadFileBytes(file).rfind("{\\rtf", 0), 0u);
    TRichEdit loaded;
    QSignalSpy changes(&loaded, &TRichEdit::OnChange);
    loaded.LoadFromFile(file);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(loaded.CanUndo());
    EXPECT_EQ(loaded.RtfText(), edit.RtfText());
    std::string breaks = edit.Text();
    for (size_t at = 0; (at = breaks.find_first_of("\r\n", at)) != std::string::npos; ++at) {
        breaks.replace(at, breaks.compare(at, 2, "\r\n") == 0 ? 2 : 1, "\n");
    }
    EXPECT_EQ(loaded.Text(), breaks);
}

} // namespace

// Every file the control writes in these tests opens with its text and
// formats: the documents of the writer's tests, and ones made by editing.
TEST(RichEditFiles, EverySavedFileReadsBackAsTheControlShowsIt) {
    QTemporaryDir dir;
    const std::string file = pathIn(dir, "saved.rtf");
    for (const RtfSample& sample : RtfSamples()) {
        SCOPED_TRACE(sample.name);
        TRichEdit edit;
        edit.SetRtfText(Rtf::Write(sample.document));
        edit.SaveToFile(file);
        expectFileShowsTheControl(edit, file);
        expectLoadsAsSaved(edit, file);
    }
    TRichEdit edit;
    std::string every;
    for (int b = 0; b < 256; ++b) {
        every.push_back(static_cast<char>(b));
    }
    edit.SetText("head\r\n" + every + "\rlone\nlf\r\n\r\nlast");
    edit.SetSelStart(0);
    edit.SetParagraphAlignment(TParaAlignment::Right);
    edit.SetSelStart(20);
    edit.SetSelLength(30);
    TFont styled;
    styled.Name = "DejaVu Serif";
    styled.Size = 13;
    styled.Italic = styled.Underline = styled.StrikeOut = true;
    styled.Color = 0x336699;
    edit.SetSelAttributes(styled);
    edit.SaveToFile(file);
    expectFileShowsTheControl(edit, file);
    expectLoadsAsSaved(edit, file);
}

TEST(RichEditFiles, RichTextNamesTheBaseFontAndItsSize) {
    TRichEdit edit;
    TFont base;
    base.Name = "DejaVu Serif";
    base.Size = 11;
    edit.SetBaseFont(base);
    edit.SetText("nothing but text");
    const std::string rtf = edit.RtfText();
    EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fnil\\fcharset0 DejaVu Serif;}}"), std::string::npos)
        << rtf;
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

// The reader's model of a large file is many small blocks: once the load is
// over they go back to the system, not kept by the allocator for the run.
TEST(RichEditFiles, ARichTextLoadGivesTheReadersHeapBack) {
    std::string rtf = "{\\rtf1\\ansi{\\colortbl;\\red200\\green0\\blue0;}";
    for (int i = 0; i < 30000; ++i) {
        rtf += "plain {\\b bold} {\\i\\cf1 red italic words}\\par\n";
    }
    TRichEdit edit;
    edit.SetRtfText(rtf + "}");
    long size = 0, kept = 0, after = 0;
    std::ifstream("/proc/self/statm") >> size >> kept;
    ::malloc_trim(0);
    std::ifstream("/proc/self/statm") >> size >> after;
    EXPECT_LT((kept - after) * ::sysconf(_SC_PAGESIZE), 4 << 20) << "bytes of freed heap kept";
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

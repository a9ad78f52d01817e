// Rich text through the text model gives what the control's document gives
// today: the same RTF saved and copied, pasted, converted and printed.
#include "framework/ui/EditTextRtf.h"

#include "framework/rtf/Rtf.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/LineLayout.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"
#include "tests/framework/RtfSamples.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const QString kRtf = QStringLiteral("text/rtf");

TEncoding encodingOf(bool unicode) {
    return unicode ? TEncoding::Utf8 : TEncoding::Windows1252;
}

// The control and a text model holding the same RTF.
void load(TRichEdit& edit, TEditText& text, const std::string& rtf, bool unicode) {
    edit.SetEncoding(encodingOf(unicode));
    edit.SetRtfText(rtf);
    LoadRtf(text, Rtf::Recoded(Rtf::Read(rtf), unicode), unicode);
}

std::string rtfOf(const TEditText& text, TRichEdit& edit, std::size_t from, std::size_t to) {
    return Rtf::Write(TextToRtf(text, from, to, edit.Layout().Font()));
}

std::string copied(TRichEdit& edit, std::size_t from, std::size_t to) {
    edit.SetSelStart(static_cast<int>(from));
    edit.SetSelLength(static_cast<int>(to - from));
    edit.CopyToClipboard();
    const QByteArray data = QApplication::clipboard()->mimeData()->data(kRtf);
    return {data.constData(), static_cast<std::size_t>(data.size())};
}

// What the control prints: the text as it shows it (its formats and
// alignments are its RTF's, compared on their own).
QString printed(TRichEdit& edit) {
    TScriptedPlatformScope platform;
    edit.Print(QString());
    return platform->calls.back().text;
}

TEST(EditTextRtf, SamplesSaveCopyConvertAndPrintAsThroughTheControlsDocument) {
    std::vector<RtfSample> samples = RtfSamples();
    // Characters the toolkit's document would take for its own.
    Rtf::Document lookAlikes;
    lookAlikes.unicode = true;
    lookAlikes.paragraphs[0].runs = {Rtf::Run{"a\u2028b\u2401c\uFFFC", Rtf::CharFormat{}}};
    samples.push_back({"look-alikes", lookAlikes});
    for (const RtfSample& sample : samples) {
        SCOPED_TRACE(sample.name);
        const bool unicode = sample.document.unicode;
        TRichEdit edit;
        TEditText text;
        load(edit, text, Rtf::Write(sample.document), unicode);
        ASSERT_EQ(text.Bytes(), edit.Text());
        EXPECT_EQ(rtfOf(text, edit, 0, text.Size()), edit.RtfText());
        EXPECT_EQ(PrintDocument(text, edit.Layout().Font())->toRawText(), printed(edit));

        // Parts: within the first and the last character, and a first line
        // with its line end (the next paragraph comes too, empty).
        const std::size_t size = text.Size();
        const std::pair<std::size_t, std::size_t> ranges[] = {
            {text.CharBoundary(1, true), text.CharBoundary(size - 1, false)},
            {0, text.LineStart(1)},
            {text.LineBodyEnd(0), size}};
        for (const auto& [from, to] : ranges) {
            if (from < to) {
                EXPECT_EQ(rtfOf(text, edit, from, to), copied(edit, from, to)) << from << "-" << to;
            }
        }

        // Into the other encoding and back, formats and alignments kept.
        for (const bool to : {!unicode, unicode}) {
            edit.SetEncoding(encodingOf(to));
            ConvertEncoding(text, to);
            EXPECT_EQ(text.Unicode(), to);
            EXPECT_EQ(text.Bytes(), edit.Text());
            EXPECT_EQ(rtfOf(text, edit, 0, text.Size()), edit.RtfText());
        }
    }
}

// Every kind of line end, lines empty and not, is a paragraph of its own.
TEST(EditTextRtf, PlainTextsSaveAndPrintAsThroughTheControlsDocument) {
    const std::string texts[] = {"a\r\nb\rc\nd", "\r\n\r\r\n\n\n", "\r", "tail\r\n", ""};
    for (const std::string& plain : texts) {
        SCOPED_TRACE(plain);
        TRichEdit edit;
        edit.SetText(plain);
        TEditText text;
        text.Assign(plain, false);
        EXPECT_EQ(rtfOf(text, edit, 0, text.Size()), edit.RtfText());
        EXPECT_EQ(PrintDocument(text, edit.Layout().Font())->toRawText(), printed(edit));
    }
}

TEST(EditTextRtf, PastesAsTheControlDoesInOneUndoStep) {
    const std::string target = "{\\rtf1 {\\qc centred\\par}{\\qr\\i right\\par}plain}";
    struct Case {
        const char* name;
        std::size_t from, length;
        const char* pasted;
    };
    const Case cases[] = {
        {"two paragraphs into a line", 2, 0, "{\\rtf1 {\\qj\\b one\\par}{\\qr two}}"},
        {"over a selection across lines", 3, 10, "{\\rtf1 {\\b one\\par}\\qc\\f0 mid\\par end}"},
        {"no break into a right line", 10, 0, "{\\rtf1 \\qc\\b\\fs40 word}"},
        {"ending in a break at a line start", 8, 0, "{\\rtf1 \\qj first\\par\\qc second\\par}"},
        {"at the end", 20, 0, "{\\rtf1 {\\ul last\\par}\\qr\\u963? x}"},
    };
    for (const bool unicode : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (unicode ? " (UTF-8)" : ""));
            TRichEdit edit;
            TEditText text;
            load(edit, text, target, unicode);
            TEditHistory history(text);
            const std::string before = rtfOf(text, edit, 0, text.Size());
            edit.SetSelStart(static_cast<int>(c.from));
            edit.SetSelLength(static_cast<int>(c.length));
            auto* data = new QMimeData;
            data->setData(kRtf, QByteArray(c.pasted));
            QApplication::clipboard()->setMimeData(data);
            edit.PasteFromClipboard();

            TEditTextRtfInsertion how;
            how.lineEnd = text.OwnLineEnd();
            const std::size_t end = PasteRtf(text, history, c.from, c.from + c.length,
                                             Rtf::Recoded(Rtf::Read(c.pasted), unicode), how);
            EXPECT_EQ(text.Bytes(), edit.Text());
            EXPECT_EQ(static_cast<int>(end), edit.SelStart());
            EXPECT_EQ(rtfOf(text, edit, 0, text.Size()), edit.RtfText());
            history.Undo();
            EXPECT_EQ(rtfOf(text, edit, 0, text.Size()), before);
            EXPECT_FALSE(history.CanUndo());
        }
    }

    // Breaks take the line ends given, in turn, then the one for the rest.
    TEditText text;
    TEditHistory history(text);
    TEditTextRtfInsertion how;
    how.lineEnds = {TEditText::LineEnd::CRLF, TEditText::LineEnd::CR};
    how.lineEnd = TEditText::LineEnd::LF;
    PasteRtf(text, history, 0, 0, Rtf::Read("{\\rtf1 a\\par b\\par c\\par d}"), how);
    EXPECT_EQ(text.Bytes(), "a\r\nb\rc\nd");
}

} // namespace

#include "framework/rtf/Rtf.h"
#include "framework/ui/RichEdit.h"
#include "tests/framework/RtfSamples.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <string>

namespace {

const QString kRtf = QStringLiteral("text/rtf");
const QString kBytes = QStringLiteral("application/x-pennivale-bytes");

std::string bytesOf(const QByteArray& data) {
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

void select(TRichEdit& edit, const std::string& what) {
    edit.SetSelStart(edit.FindText(what, 0, -1, false, true));
    edit.SetSelLength(static_cast<int>(what.size()));
}

TFont boldFont() {
    TFont bold;
    bold.Name = "DejaVu Sans";
    bold.Size = 14;
    bold.Bold = true;
    bold.Color = 0x0000CC;
    return bold;
}

TEST(RichEditClipboard, CopyOffersTheTextTheRtfSaveWouldWriteAndTheBytes) {
    TRichEdit edit;
    edit.SetText(std::string("title\r\na\0b bold\rc\xE9", 18));
    edit.SetSelStart(0);
    edit.SetParagraphAlignment(TParaAlignment::Center);
    select(edit, "bold");
    edit.SetSelAttributes(boldFont());
    edit.SelectAll();
    edit.CopyToClipboard();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral(u"title\r\na\u2400b bold\rc\u00e9"));
    EXPECT_EQ(bytesOf(data->data(kRtf)), edit.RtfText());
    EXPECT_EQ(bytesOf(data->data(kBytes)), edit.Text());

    // A part of the text: its paragraphs, formats and alignment.
    select(edit, "tle\r\na");
    edit.CopyToClipboard();
    const Rtf::Document part =
        Rtf::Read(bytesOf(QApplication::clipboard()->mimeData()->data(kRtf)));
    ASSERT_EQ(part.paragraphs.size(), 2u);
    EXPECT_EQ(part.paragraphs[0].runs.at(0).text, "tle");
    EXPECT_EQ(part.paragraphs[0].alignment, Rtf::Alignment::Center);
    EXPECT_EQ(part.paragraphs[1].runs.at(0).text, "a");
    // Pasted into an empty window it is what that window then saves.
    TRichEdit other;
    other.PasteFromClipboard();
    EXPECT_EQ(other.Text(), "tle\r\na");
    EXPECT_EQ(other.RtfText(), bytesOf(QApplication::clipboard()->mimeData()->data(kRtf)));
}

// Each of the writer's documents copied whole and pasted into an empty
// window: the same text, one undo step; into Unicode it keeps its formats.
TEST(RichEditClipboard, EveryRichTextSampleCopiesWhole) {
    for (const RtfSample& sample : RtfSamples()) {
        SCOPED_TRACE(sample.name);
        TRichEdit edit;
        edit.SetRtfText(Rtf::Write(sample.document));
        edit.SelectAll();
        edit.CopyToClipboard();
        TRichEdit into;
        into.PasteFromClipboard();
        if (!edit.Text().empty()) { // nothing selected copies nothing
            EXPECT_EQ(into.Text(), edit.Text());
            // The same document, but for the last paragraph's alignment: that
            // of the line the paste landed in.
            const Rtf::Document pasted = Rtf::Read(into.RtfText());
            Rtf::Document copied = Rtf::Read(edit.RtfText());
            ASSERT_FALSE(copied.paragraphs.empty());
            copied.paragraphs.back().alignment = Rtf::Alignment::Left;
            EXPECT_EQ(pasted, copied);
            into.Undo();
            EXPECT_EQ(into.Text(), "");
        }
        const std::string rtf = edit.RtfText();
        edit.SetEncoding(TEncoding::Utf8);
        EXPECT_EQ(edit.RtfText(), rtf);
        EXPECT_FALSE(edit.CanUndo());
    }
}

// Rich text between two windows: every byte, each line end as it was, the
// formats and the alignment, in one undo step.
TEST(RichEditClipboard, PasteBetweenWindowsKeepsEveryByteAndTheFormats) {
    std::string every;
    for (int b = 0; b < 256; ++b) {
        every.push_back(static_cast<char>(b));
    }
    TRichEdit from;
    from.SetText("centred\nlone\rcr " + every + " bold\r\nend");
    from.SetSelStart(0);
    from.SetParagraphAlignment(TParaAlignment::Center);
    select(from, "bold");
    from.SetSelAttributes(boldFont());
    from.SelectAll();
    from.CopyToClipboard();

    TRichEdit to;
    to.SetText("x\r\ny");
    to.SetSelStart(1);
    QSignalSpy changes(&to, &TRichEdit::OnChange);
    to.PasteFromClipboard();
    EXPECT_EQ(to.Text(), "x" + from.Text() + "\r\ny");
    EXPECT_EQ(changes.count(), 1);
    to.SetSelStart(0);
    EXPECT_EQ(to.ParagraphAlignment(), TParaAlignment::Center) << "the first pasted paragraph";
    select(to, "bold");
    EXPECT_TRUE(to.SelAttributes().Bold);
    EXPECT_EQ(to.SelAttributes().Color, 0x0000CCu);
    select(to, "end");
    EXPECT_FALSE(to.SelAttributes().Bold);
    EXPECT_EQ(to.ParagraphAlignment(), TParaAlignment::Left);
    to.Undo();
    EXPECT_EQ(to.Text(), "x\r\ny");

    // Half a CR LF is a lone CR on the clipboard and in the text it goes to.
    from.SetText("a\r\nb");
    from.SetSelStart(1);
    from.SetSelLength(1);
    from.CopyToClipboard();
    to.SetText("pq");
    to.SetSelStart(1);
    to.PasteFromClipboard();
    EXPECT_EQ(to.Text(), "p\rq");
}

TEST(RichEditClipboard, PastesRtfFromOtherProgramsWithFormatsAndAlignment) {
    TRichEdit edit;
    edit.SetText("before\r\nright here\r\nafter");
    select(edit, "right");
    edit.SetParagraphAlignment(TParaAlignment::Right);
    edit.SetSelStart(edit.FindText("here", 0, -1, false, true));

    auto* data = new QMimeData;
    data->setText(QStringLiteral("the plain text is not taken"));
    data->setData(QStringLiteral("application/rtf"),
                  "{\\rtf1\\ansi\\ansicpg1253\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset161 "
                  "Liberation Sans;}}{\\colortbl;\\red204\\green0\\blue0;}"
                  "\\pard\\qc\\f0\\fs28 \\'e1 {\\b\\cf1 bold}\\par\\pard mid\\par\\pard tail}");
    QApplication::clipboard()->setMimeData(data);
    edit.PasteFromClipboard();
    // Breaks take the text's own line end; a Greek letter outside the code page is "?".
    EXPECT_EQ(edit.Text(), "before\r\nright ? bold\r\nmid\r\ntailhere\r\nafter");
    select(edit, "bold");
    const TFont bold = edit.SelAttributes();
    EXPECT_TRUE(bold.Bold);
    EXPECT_EQ(bold.Color, 0xCC0000u);
    EXPECT_EQ(bold.Size, 14);
    EXPECT_EQ(bold.Name, "Liberation Sans");
    EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Center);
    select(edit, "mid");
    EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Left);
    select(edit, "tail");
    EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Right) << "the paragraph it landed in";
    edit.Undo();
    EXPECT_EQ(edit.Text(), "before\r\nright here\r\nafter");

    // Rich text that is no RTF, or RTF without any text, leaves the plain text.
    for (const char* rich : {"<bold>rich</bold>", "{\\rtf1{\\pict 0123}}"}) {
        data = new QMimeData;
        data->setText(QStringLiteral("plain"));
        data->setData(QStringLiteral("text/richtext"), rich);
        QApplication::clipboard()->setMimeData(data);
        edit.SetText("");
        edit.PasteFromClipboard();
        EXPECT_EQ(edit.Text(), "plain") << rich;
    }
}

} // namespace

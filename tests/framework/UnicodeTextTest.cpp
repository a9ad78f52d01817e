// The edit control in UTF-8 documents: every byte kept, characters shown as
// themselves, ill-formed bytes one mark each, positions never inside one.
#include "framework/Utf8.h"
#include "framework/ui/LineLayout.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"
#include "framework/ui/ShownText.h"
#include "tests/framework/EditControlTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace {

const std::string kCafe = "Caf\xC3\xA9";               // é
const std::string kGreek = "\xCE\xB1\xCE\xB2\xCE\xB3"; // αβγ
const std::string kEmoji = "\xF0\x9F\x98\x80";         // 😀
const std::string kCombining = "e\xCC\x81";            // e + combining acute
const std::string kInvalid[] = {
    "\xFF",             // a stray byte
    "\xE2\x82",         // a cut sequence
    "\xC0\xAF",         // an overlong form
    "\xED\xA0\x80",     // an encoded surrogate
    "\xF4\x90\x80\x80", // above U+10FFFF
};

void setUtf8(TRichEdit& edit, std::string_view bytes) {
    edit.SetEncoding(TEncoding::Utf8);
    edit.SetText(bytes);
}

// The text as the control shows it, which is what it prints.
QString shown(TRichEdit& edit) {
    TScriptedPlatformScope platform;
    edit.Print(QString());
    return platform->calls.back().text.replace(QChar(0x2029), QLatin1Char('\n'));
}

// Every character shown (a mark too) is one caret position, and the caret
// never stands inside one.
void expectConsistent(TRichEdit& edit) {
    TRichEdit fresh;
    setUtf8(fresh, edit.Text());
    EXPECT_EQ(fresh.Text(), edit.Text());
    const QString text = shown(edit);
    qsizetype characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        characters += !(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate());
    }
    std::set<int> positions;
    const std::string& bytes = edit.Text();
    for (int byte = 0; byte <= edit.TextLength(); ++byte) {
        if (byte > 0 && bytes.compare(byte - 1, 2, "\r\n") == 0) {
            continue; // the selection may hold half a CR LF, as a paste's end
        }
        edit.SetSelStart(byte);
        positions.insert(edit.SelStart());
    }
    EXPECT_EQ(static_cast<qsizetype>(positions.size()), characters + 1);
    EXPECT_EQ(*positions.rbegin(), edit.TextLength());
}

} // namespace

struct TFormCase {
    std::string bytes;
    QString shows;
};

// Each kind of character, and each ill-formed form at the start, the middle
// and the end of a file and of a paragraph.
std::vector<TFormCase> formCases() {
    std::vector<TFormCase> cases = {
        {kCafe + " " + kGreek + " " + kEmoji, QStringLiteral("Café αβγ 😀")},
        {kCombining, QStringLiteral("e\u0301")},
        {std::string("a\0b", 3), QStringLiteral("a\u2400b")},
        {"\xEF\xBB\xBF", QStringLiteral("\uFEFF")},
        {"\xE2\x90\x80|\xE2\x80\xA8|\xEF\xBF\xBC", QStringLiteral("\u2400|\u2424|\uFFFD")},
        {"a\r\nb\rc\nd", QStringLiteral("a\nb\nc\nd")},
    };
    for (const std::string& bad : kInvalid) {
        QString marks;
        for (const char c : bad) {
            marks += QChar(char16_t(0xDC00 + static_cast<unsigned char>(c)));
        }
        cases.push_back({bad + "x\r\n" + bad + "\n" + kGreek + bad + "y" + bad,
                         marks + "x\n" + marks + "\nαβγ" + marks + "y" + marks});
    }
    return cases;
}

TEST(UnicodeText, EveryFormKeptShownOneMarkAByteAndCopied) {
    for (const TFormCase& c : formCases()) {
        TRichEdit edit;
        setUtf8(edit, c.bytes);
        EXPECT_EQ(edit.Text(), c.bytes);
        EXPECT_EQ(shown(edit), c.shows) << c.bytes;
        expectConsistent(edit);
        // Rich text holds characters, not bytes or line-end kinds: the
        // well-formed texts come back, their breaks in the text's own end.
        if (Utf8::IsValid(c.bytes)) {
            TRichEdit copy;
            copy.SetEncoding(TEncoding::Utf8);
            copy.SetRtfText(edit.RtfText());
            EXPECT_EQ(shown(copy), c.shows);
        }
        // Between two of the program's windows every byte goes across.
        TRichEdit other;
        setUtf8(other, "old");
        edit.SelectAll();
        edit.CopyToClipboard();
        other.SelectAll();
        other.PasteFromClipboard();
        EXPECT_EQ(other.Text(), c.bytes);
    }
}

TEST(UnicodeText, RandomEditsKeepBytesAndPositions) {
    std::mt19937 rng(21);
    const std::vector<std::string> atoms = {"a",
                                            " ",
                                            "\r",
                                            "\n",
                                            "\r\n",
                                            kCafe,
                                            kGreek,
                                            kEmoji,
                                            kCombining,
                                            "\xFF",
                                            "\xE2\x82",
                                            "\xAC",
                                            "\xC3",
                                            "\xED\xA0\x80",
                                            std::string(1, '\0'),
                                            "\xE2\x80\xA8",
                                            "\xE2\x90\x80",
                                            "\t"};
    auto randomText = [&](int atomsCount) {
        std::string s;
        for (int i = 0; i < atomsCount; ++i) {
            s += atoms[rng() % atoms.size()];
        }
        return s;
    };
    TRichEdit edit;
    std::string model = randomText(300);
    setUtf8(edit, model);
    std::vector<std::string> states{model};
    for (int round = 0; round < 400; ++round) {
        const int size = static_cast<int>(model.size());
        const int start = static_cast<int>(rng() % (size + 1));
        edit.SetSelStart(start);
        edit.SetSelLength(static_cast<int>(rng() % 10));
        const int from = edit.SelStart();
        const int length = edit.SelLength();
        ASSERT_LE(from, start);
        ASSERT_EQ(edit.SelText(), model.substr(from, length));
        const std::string insert = randomText(static_cast<int>(rng() % 4));
        edit.SetSelText(insert);
        model.replace(from, length, insert);
        ASSERT_EQ(edit.Text(), model) << "round " << round;
        ASSERT_EQ(edit.SelStart(), from + static_cast<int>(insert.size()));
        if (round % 50 == 0) {
            expectConsistent(edit);
        }
        if (model != states.back()) {
            states.push_back(model);
        }
    }
    // Undo steps back through every state with the bytes in step.
    undoThrough(edit, states, [&](size_t i) {
        if (i % 50 == 0) {
            expectConsistent(edit);
        }
    });
    expectConsistent(edit);
}

TEST(UnicodeText, EncodingChangesConvertTheText) {
    TRichEdit edit;
    edit.SetText("Caf\xE9 \x80");
    edit.SetEncoding(TEncoding::Utf8);
    EXPECT_EQ(edit.Text(), kCafe + " \xE2\x82\xAC");
    edit.SetEncoding(TEncoding::Utf16LE);
    EXPECT_EQ(edit.Text(), kCafe + " \xE2\x82\xAC") << "between Unicode encodings nothing changes";
    edit.SetText(kGreek + kCafe);
    edit.SetEncoding(TEncoding::Windows1252);
    EXPECT_EQ(edit.Text(), "???Caf\xE9");
    EXPECT_EQ(shown(edit), QStringLiteral("???Café"));
}

TEST(UnicodeText, LongParagraphStepsOverPairs) {
    std::string line;
    for (int i = 0; i < 12000; ++i) {
        line += kEmoji + "a";
    }
    TRichEdit edit;
    setUtf8(edit, line);
    edit.show();
    edit.SetSelStart(static_cast<int>(line.size()));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.Text(), line.substr(0, line.size() - 5));
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.Text(), line.substr(4, line.size() - 9));
    expectConsistent(edit);
}

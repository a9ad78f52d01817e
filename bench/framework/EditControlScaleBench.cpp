// The edit control (TRichEdit) at scale, beside the toolkit's QPlainTextEdit
// (and a bare QTextEdit where it was measured) on the same text, shown at
// 800 x 600:
//   edit_control_scale_bench --benchmark_repetitions=3
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
// - opening a file as the program opens a plain one (TRichEdit::LoadFromFile;
//   the toolkit's widgets get the file's bytes as characters), until the
//   first screen is painted and a key typed at once has been taken and
//   painted, beside reading the file's bytes alone;
// - replacing a whole text of 20 MB by another until painted, beside copying
//   the bytes and setting one screen of them;
// - the first step of each kind after a typed key, in a 10 MB line and in
//   100 MB of lines.
#include "bench/common/EditBench.h"
#include "bench/common/GuiBench.h"
#include "framework/ui/RichEdit.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <chrono>

namespace {

using namespace bench;

enum Kind { Control = 0, Bare = 1, Plain = 2 };

const std::string& bigFile() {
    static const std::string name = FileOf("open100.txt", LinesText(100));
    return name;
}

std::unique_ptr<QAbstractScrollArea> shownOf(Kind kind) {
    if (kind == Control) {
        return Shown<TRichEdit>();
    }
    if (kind == Bare) {
        auto edit = Shown<QTextEdit>();
        edit->setAcceptRichText(false);
        return edit;
    }
    return Shown<QPlainTextEdit>();
}

// The file into the widget; the toolkit's widgets get its bytes as
// characters, and no copy of the bytes outlives the reading.
void open(QAbstractScrollArea& w, Kind kind, const std::string& file, bool utf8) {
    if (kind == Control) {
        static_cast<TRichEdit&>(w).LoadFromFile(file);
        return;
    }
    QString text;
    {
        const std::string bytes = ReadFileBytes(file);
        text = utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    }
    if (kind == Bare) {
        static_cast<QTextEdit&>(w).setPlainText(text);
    } else {
        static_cast<QPlainTextEdit&>(w).setPlainText(text);
    }
}

int blockCount(QAbstractScrollArea& w, Kind kind) {
    return kind == Bare ? static_cast<QTextEdit&>(w).document()->blockCount()
                        : static_cast<QPlainTextEdit&>(w).document()->blockCount();
}

// Opened, painted, a key typed and painted; whether all of the file went in
// (`lines` of it), in the encoding it is in, and was shown.
bool openAndType(benchmark::State& state, Kind kind, const std::string& file, size_t bytes,
                 int lines, bool utf8) {
    state.PauseTiming();
    auto w = shownOf(kind);
    TPaintCounter paints(w->viewport());
    state.ResumeTiming();
    open(*w, kind, file, utf8);
    Painted(*w);
    SendKey(*w, Qt::Key_X, {}, QStringLiteral("x"));
    Painted(*w);
    state.PauseTiming();
    bool right = paints.count >= 2;
    if (kind == Control) {
        const auto& control = static_cast<TRichEdit&>(*w);
        right = right && control.TextLength() == static_cast<int>(bytes) + 1 &&
                control.Encoding() == (utf8 ? TEncoding::Utf8 : TEncoding::Windows1252);
    } else {
        // Each line a block of the toolkit's document.
        right = right && blockCount(*w, kind) >= lines;
    }
    w.reset();
    state.ResumeTiming();
    return right;
}

void BM_Open100MB(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const std::string& text = LinesText(100);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    const std::string& file = bigFile(); // written before the timing
    bool right = true;
    for (auto _ : state) {
        right = openAndType(state, kind, file, text.size(), lines, false) && right;
    }
    if (!right) {
        state.SkipWithError("the file did not all go in");
    }
}
BENCHMARK(BM_Open100MB)
    ->Arg(Control)
    ->Arg(Bare)
    ->Arg(Plain)
    ->ArgName("kind")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// A file of one 100 MB line, in the control alone (the toolkit's controls lay
// such a line out whole), beside reading it.
void BM_Open100MBOneLine(benchmark::State& state) {
    static const std::string file = FileOf("open100line.txt", LongLine(100));
    const bool read = state.range(0) != 0;
    bool right = true;
    for (auto _ : state) {
        if (read) {
            right = ReadFileBytes(file).size() == LongLine(100).size() && right;
        } else {
            right = openAndType(state, Control, file, LongLine(100).size(), 1, false) && right;
        }
    }
    if (!right) {
        state.SkipWithError("the file did not all go in");
    }
}
BENCHMARK(BM_Open100MBOneLine)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("read")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// What opening cannot go below: reading the file.
void BM_Open100MB_ReadFileBytes(benchmark::State& state) {
    const std::string& file = bigFile();
    size_t size = 0;
    for (auto _ : state) {
        size = ReadFileBytes(file).size();
    }
    if (size != LinesText(100).size()) {
        state.SkipWithError("the file did not all go in");
    }
}
BENCHMARK(BM_Open100MB_ReadFileBytes)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Opening 20 MB of Windows-1252 or of UTF-8 (the same lines), detected as
// a file is opened. Args: kind, utf8.
void BM_Open20MB(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const bool utf8 = state.range(1) != 0;
    const std::string& text = utf8 ? Utf8Lines(20) : LinesText(20);
    static const std::string files[2] = {FileOf("open1252.txt", LinesText(20)),
                                         FileOf("openutf8.txt", Utf8Lines(20))};
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    bool right = true;
    for (auto _ : state) {
        right = openAndType(state, kind, files[utf8 ? 1 : 0], text.size(), lines, utf8) && right;
    }
    if (!right) {
        state.SkipWithError("the file did not go in as it is");
    }
}
BENCHMARK(BM_Open20MB)
    ->ArgsProduct({{Control, Plain}, {0, 1}})
    ->ArgNames({"kind", "utf8"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// Another text of the same size: the lines in capitals.
const std::string& otherText20MB() {
    static const std::string other = [] {
        std::string t = LinesText(20);
        std::transform(t.begin(), t.end(), t.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
        return t;
    }();
    return other;
}

// The 20 MB text replaced by another, in a widget holding it and painted.
void BM_SetText20MB(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const std::string& other = otherText20MB();
    const QString otherChars = QString::fromLatin1(other);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto w = shownOf(kind);
        auto* control = kind == Control ? static_cast<TRichEdit*>(w.get()) : nullptr;
        auto* plain = kind == Plain ? static_cast<QPlainTextEdit*>(w.get()) : nullptr;
        if (control) {
            control->SetText(LinesText(20));
        } else {
            plain->setPlainText(QString::fromLatin1(LinesText(20)));
        }
        Painted(*w);
        TPaintCounter paints(w->viewport());
        state.ResumeTiming();
        if (control) {
            control->SetText(other);
        } else {
            plain->setPlainText(otherChars);
        }
        Painted(*w);
        state.PauseTiming();
        right = right && paints.count == 1 &&
                (control ? control->Text() == other
                         : plain->document()->firstBlock().text() == otherChars.left(58));
        w.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("the text did not all go in");
    }
}
BENCHMARK(BM_SetText20MB)
    ->Arg(Control)
    ->Arg(Plain)
    ->ArgName("kind")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// What replacing the whole text cannot go below: its bytes copied into a
// fresh string (arg 0), and apart, the first screen: one screen of the lines
// set in an empty control until painted (arg 1).
void BM_SetText20MB_Floor(benchmark::State& state) {
    const std::string& other = otherText20MB();
    const std::string screen = other.substr(0, 60 * 60);
    bool right = true;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            std::string copy(other);
            benchmark::DoNotOptimize(copy.data());
            right = right && copy.size() == other.size();
            continue;
        }
        state.PauseTiming();
        auto w = Shown<TRichEdit>();
        TPaintCounter paints(w->viewport());
        state.ResumeTiming();
        w->SetText(screen);
        Painted(*w);
        state.PauseTiming();
        right = right && paints.count == 1 && w->TextLength() == static_cast<int>(screen.size());
        w.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("the text did not all go in");
    }
}
BENCHMARK(BM_SetText20MB_Floor)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("screen")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

enum Step { Move, Click, DoubleClick, WordLeft, WordRight, Cut, Paste, Undo };

// In one 10 MB line (text 0; wrapped: 2) or in the middle of 100 MB of lines
// (text 1), the first step of each kind after a typed key, until painted.
// Args: text, step.
void BM_FirstStepAfterAnEdit(benchmark::State& state) {
    const std::string& text = state.range(0) == 1 ? LinesText(100) : LongLine(10);
    const Step step = static_cast<Step>(state.range(1));
    auto w = Shown<TRichEdit>();
    w->SetWordWrap(state.range(0) == 2);
    w->SetText(text);
    w->SetSelStart(static_cast<int>(text.size() / 2));
    Painted(*w);
    QWidget* view = w->viewport();
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    bool right = true;
    int clicks = 0;
    for (auto _ : state) {
        SendKey(*w, Qt::Key_X, {}, QStringLiteral("x"));
        Painted(*w);
        if (step == Cut) {
            SendKey(*w, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
            Painted(*w);
        }
        const int before = w->SelStart();
        const int length = w->TextLength();
        // Apart from the click before, so that a click is no double-click.
        const QPoint at(200 + 40 * (clicks++ % 10), 8);
        const auto start = std::chrono::steady_clock::now();
        switch (step) {
        case Move:
            SendKey(*w, Qt::Key_Right);
            break;
        case Click:
            SendMouse(view, QEvent::MouseButtonPress, at);
            SendMouse(view, QEvent::MouseButtonRelease, at);
            break;
        case DoubleClick:
            SendMouse(view, QEvent::MouseButtonPress, at);
            SendMouse(view, QEvent::MouseButtonRelease, at);
            SendMouse(view, QEvent::MouseButtonDblClick, at);
            SendMouse(view, QEvent::MouseButtonRelease, at);
            break;
        case WordLeft:
            SendKey(*w, Qt::Key_Left, Qt::ControlModifier);
            break;
        case WordRight:
            SendKey(*w, Qt::Key_Right, Qt::ControlModifier);
            break;
        case Cut:
            w->CutToClipboard();
            break;
        case Paste:
            w->PasteFromClipboard();
            break;
        case Undo:
            w->Undo();
            break;
        }
        Painted(*w);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        switch (step) {
        case Move:
        case WordRight:
            right = right && w->SelStart() > before;
            break;
        case WordLeft:
            right = right && w->SelStart() < before;
            break;
        case Click:
            right = right && w->SelLength() == 0;
            break;
        case DoubleClick:
            right = right && w->SelLength() > 0;
            break;
        case Cut:
            right = right && w->TextLength() < length;
            break;
        case Paste:
            right = right && w->TextLength() == length + 6;
            break;
        case Undo:
            right = right && w->TextLength() == length - 1;
            break;
        }
        QGuiApplication::processEvents();
    }
    if (!right) {
        state.SkipWithError("a step did not do what it should");
    }
}
BENCHMARK(BM_FirstStepAfterAnEdit)
    ->ArgsProduct({{0, 1, 2}, {Move, Click, DoubleClick, WordLeft, WordRight, Cut, Paste, Undo}})
    ->ArgNames({"text", "step"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->UseManualTime();

// The same first caret move after a typed key in QPlainTextEdit.
void BM_LongLine10MB_PlainMove(benchmark::State& state) {
    auto w = Shown<QPlainTextEdit>();
    w->setPlainText(QString::fromLatin1(LongLine(10)));
    QTextCursor c = w->textCursor();
    c.setPosition(static_cast<int>(LongLine(10).size() / 2));
    w->setTextCursor(c);
    Painted(*w);
    bool right = true;
    for (auto _ : state) {
        SendKey(*w, Qt::Key_X, {}, QStringLiteral("x"));
        Painted(*w);
        const int before = w->textCursor().position();
        const auto start = std::chrono::steady_clock::now();
        SendKey(*w, Qt::Key_Right);
        Painted(*w);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        right = right && w->textCursor().position() == before + 1;
    }
    if (!right) {
        state.SkipWithError("the caret did not move");
    }
}
BENCHMARK(BM_LongLine10MB_PlainMove)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    return bench::RunGuiBenchmarks(argc, argv);
}

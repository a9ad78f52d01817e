// The edit control over the text model (TEditControl) at scale, beside
// QPlainTextEdit on the same text, shown at 800 x 600:
//   edit_control_scale_bench --benchmark_repetitions=3
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
// Each step is timed until the viewport has been painted after it.
#include "bench/common/BenchText.h"
#include "bench/common/GuiBench.h"
#include "framework/Files.h"
#include "framework/ui/Application.h"
#include "framework/ui/EditControl.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <memory>

namespace {

constexpr size_t kMB = size_t{1} << 20;
enum Kind { Control = 0, Plain = 1 };

const std::string& linesText(size_t mb) {
    static std::string t[128];
    if (t[mb].empty()) {
        t[mb] = MakeBenchText(mb * kMB, true); // 58 bytes and a CR LF a line
    }
    return t[mb];
}

const std::string& longLine() {
    static std::string t;
    if (t.empty()) {
        t = MakeBenchText(10 * kMB, false);
        for (char& c : t) {
            c = c == '\n' ? ' ' : c;
        }
    }
    return t;
}

const std::string& bigFile() {
    static QTemporaryDir dir;
    static std::string name;
    if (name.empty()) {
        name = (dir.path() + QStringLiteral("/open.txt")).toStdString();
        WriteFileBytes(name, linesText(100));
    }
    return name;
}

// Counts the viewport's paints, to check that each step was shown.
class TPaints : public QObject {
public:
    explicit TPaints(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

void key(QWidget& w, Qt::Key k, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, modifiers, text);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, modifiers, text);
    QApplication::sendEvent(&w, &release);
}

void mouse(QWidget* view, QEvent::Type type, const QPoint& at) {
    QMouseEvent e(type, at, view->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QApplication::sendEvent(view, &e);
}

void painted(QAbstractScrollArea& w) {
    w.viewport()->repaint();
}

template <typename W> std::unique_ptr<W> shown() {
    auto w = std::make_unique<W>();
    w->resize(800, 600);
    w->show();
    w->setFocus();
    QCoreApplication::processEvents(); // exposed, so that it paints
    return w;
}

void BM_Open100MB(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const std::string& file = bigFile();
    bool right = true;
    for (auto _ : state) {
        if (kind == Control) {
            auto w = shown<TEditControl>();
            TPaints paints(w->viewport());
            w->LoadFromFile(file);
            painted(*w);
            key(*w, Qt::Key_X, {}, QStringLiteral("x"));
            painted(*w);
            state.PauseTiming();
            right = right && w->TextLength() == static_cast<int>(linesText(100).size()) + 1 &&
                    paints.count >= 2;
            w.reset();
            state.ResumeTiming();
        } else {
            auto w = shown<QPlainTextEdit>();
            TPaints paints(w->viewport());
            const std::string bytes = ReadFileBytes(file);
            w->setPlainText(
                QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
            painted(*w);
            key(*w, Qt::Key_X, {}, QStringLiteral("x"));
            painted(*w);
            state.PauseTiming();
            right = right && w->document()->blockCount() > 1'700'000 && paints.count >= 2;
            w.reset();
            state.ResumeTiming();
        }
    }
    if (!right) {
        state.SkipWithError("the file did not all go in");
    }
}
BENCHMARK(BM_Open100MB)
    ->Arg(Control)
    ->Arg(Plain)
    ->ArgName("kind")
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
    if (size != linesText(100).size()) {
        state.SkipWithError("the file did not all go in");
    }
}
BENCHMARK(BM_Open100MB_ReadFileBytes)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SetText20MB(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const std::string& text = linesText(20);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto control = kind == Control ? shown<TEditControl>() : nullptr;
        auto plain = kind == Plain ? shown<QPlainTextEdit>() : nullptr;
        QCoreApplication::processEvents();
        state.ResumeTiming();
        if (control) {
            control->SetText(text);
            painted(*control);
        } else {
            plain->setPlainText(
                QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
            painted(*plain);
        }
        state.PauseTiming();
        right = right && (control ? control->TextLength() == static_cast<int>(text.size())
                                  : plain->document()->blockCount() > 340'000);
        control.reset();
        plain.reset();
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

enum Step { Move, Click, DoubleClick, WordRight, Cut, Paste, Undo };

// In one 10 MB line (text 0; wrapped: 2) or in the middle of 100 MB of lines (text 1),
// the first step of each kind after a typed key, until painted.
// Args: text, step.
void BM_FirstStepAfterAnEdit(benchmark::State& state) {
    const std::string& text = state.range(0) == 1 ? linesText(100) : longLine();
    const Step step = static_cast<Step>(state.range(1));
    auto w = shown<TEditControl>();
    w->SetWordWrap(state.range(0) == 2);
    w->SetText(text);
    w->SetSelStart(static_cast<int>(text.size() / 2));
    painted(*w);
    QWidget* view = w->viewport();
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    bool right = true;
    int clicks = 0;
    for (auto _ : state) {
        key(*w, Qt::Key_X, {}, QStringLiteral("x"));
        painted(*w);
        if (step == Cut) {
            key(*w, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
            painted(*w);
        }
        const int before = w->SelStart();
        const int length = w->TextLength();
        // Apart from the click before, so that a click is no double-click.
        const QPoint at(200 + 40 * (clicks++ % 10), 8);
        const auto start = std::chrono::steady_clock::now();
        switch (step) {
        case Move:
            key(*w, Qt::Key_Right);
            break;
        case Click:
            mouse(view, QEvent::MouseButtonPress, at);
            mouse(view, QEvent::MouseButtonRelease, at);
            break;
        case DoubleClick:
            mouse(view, QEvent::MouseButtonPress, at);
            mouse(view, QEvent::MouseButtonRelease, at);
            mouse(view, QEvent::MouseButtonDblClick, at);
            mouse(view, QEvent::MouseButtonRelease, at);
            break;
        case WordRight:
            key(*w, Qt::Key_Right, Qt::ControlModifier);
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
        painted(*w);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        switch (step) {
        case Move:
        case WordRight:
            right = right && w->SelStart() > before;
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
    ->ArgsProduct({{0, 1, 2}, {Move, Click, DoubleClick, WordRight, Cut, Paste, Undo}})
    ->ArgNames({"text", "step"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->UseManualTime();

// The same first caret move after a typed key in QPlainTextEdit.
void BM_LongLine10MB_PlainMove(benchmark::State& state) {
    auto w = shown<QPlainTextEdit>();
    w->setPlainText(
        QString::fromLatin1(longLine().data(), static_cast<qsizetype>(longLine().size())));
    QTextCursor c = w->textCursor();
    c.setPosition(static_cast<int>(longLine().size() / 2));
    w->setTextCursor(c);
    painted(*w);
    bool right = true;
    for (auto _ : state) {
        key(*w, Qt::Key_X, {}, QStringLiteral("x"));
        painted(*w);
        const int before = w->textCursor().position();
        const auto start = std::chrono::steady_clock::now();
        key(*w, Qt::Key_Right);
        painted(*w);
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

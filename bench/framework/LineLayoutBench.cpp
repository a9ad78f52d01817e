// The edit control's own layout (TLineLayout) on large texts, beside the
// toolkit doing the same work, shown at 800 x 600:
//   QT_QPA_PLATFORM=offscreen line_layout_bench --benchmark_repetitions=3
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
// - 1.8 million lines of 58 bytes: Reset, and Reset then the first screen
//   laid out and drawn into an image, beside QPlainTextEdit taking the same
//   text and painting its first screen;
// - a 10 MB line, wrapped or not: after one byte typed in the middle, each
//   question of the caret (one benchmark each), beside a bare QTextLayout of
//   the line answering the caret's rectangle after the same byte; and a
//   fresh layout's first caret there (the line cut into pieces);
// - scrolling: the screen drawn at 1000 random heights of the 1.8 million
//   lines, beside drawing the same lines through a fresh QTextLayout each
//   (lines of one height, so the baseline needs no height tree).
#include "bench/common/BenchText.h"
#include "framework/ui/LineLayout.h"
#include "tests/framework/FakeLineSource.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextOption>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

constexpr size_t kLines = 1800000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

// 1.8 million lines of 58 bytes, Windows-1252.
const TFakeLineSource& manyLines() {
    static const TFakeLineSource source = [] {
        TFakeLineSource s;
        s.unicode = false;
        const std::string text = MakeBenchText((kLines + 1) * 60, true);
        s.lines.reserve(kLines);
        for (size_t at = 0; s.lines.size() < kLines; at += 60) {
            s.lines.push_back(text.substr(at, 58));
        }
        return s;
    }();
    return source;
}

// One line of 10 MB of words, UTF-8.
TFakeLineSource& longLine() {
    static TFakeLineSource source = [] {
        TFakeLineSource s;
        std::string text = MakeBenchText(10 << 20, false);
        for (char& c : text) {
            c = c == '\n' ? ' ' : (static_cast<unsigned char>(c) >= 0x80 ? 'e' : c);
        }
        s.lines = {"first", std::move(text), "last"};
        return s;
    }();
    return source;
}

// Text in the image's top and bottom tenths: the screen was drawn full.
bool drawnFull(const QImage& image) {
    const auto inked = [&](int from, int to) {
        int n = 0;
        for (int y = from; y < to; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
            }
        }
        return n;
    };
    return inked(0, kHeight / 10) > 500 && inked(kHeight * 9 / 10, kHeight) > 500;
}

void setUp(TLineLayout& layout, bool wrap) {
    layout.SetPageWidth(kWidth);
    layout.SetWordWrap(wrap);
}

void BM_Reset(benchmark::State& state) {
    const TFakeLineSource& source = manyLines();
    for (auto _ : state) {
        TLineLayout layout(source);
        setUp(layout, false);
        layout.Reset();
        if (layout.LineCount() != kLines) {
            state.SkipWithError("lines lost");
        }
        benchmark::DoNotOptimize(layout.Size());
    }
}

void BM_ResetAndFirstScreen(benchmark::State& state) {
    const TFakeLineSource& source = manyLines();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        TLineLayout layout(source);
        setUp(layout, false);
        layout.Reset();
        image.fill(Qt::white);
        QPainter painter(&image);
        layout.Draw(&painter, QRectF(0, 0, kWidth, kHeight), {}, {0, 0}, true);
        painter.end();
        state.PauseTiming();
        if (layout.LaidOutCount() > 60 || !drawnFull(image)) {
            state.SkipWithError("first screen not drawn as it should be");
        }
        state.ResumeTiming();
    }
}

void BM_PlainTextEditSetAndFirstScreen(benchmark::State& state) {
    QString text;
    for (const std::string& line : manyLines().lines) {
        text += QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
        text += QLatin1Char('\n');
    }
    for (auto _ : state) {
        auto edit = std::make_unique<QPlainTextEdit>();
        edit->resize(kWidth, kHeight);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setPlainText(text);
        QImage image(edit->viewport()->size(), QImage::Format_RGB32);
        edit->viewport()->render(&image);
        if (edit->document()->blockCount() != static_cast<int>(kLines) + 1 || !drawnFull(image)) {
            state.SkipWithError("lines lost");
        }
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
}

// What is asked of the layout right after one byte was typed in the middle.
enum class Question { CaretRect, HitTest, NextWord, WordAround, LineEnd, Down, Up };

void BM_LongLineAfterTyping(benchmark::State& state) {
    const bool wrap = state.range(0) != 0;
    const auto question = static_cast<Question>(state.range(1));
    TFakeLineSource& source = longLine();
    TLineLayout layout(source);
    setUp(layout, wrap);
    layout.Reset();
    const size_t middle = source.lines[1].find(' ', source.lines[1].size() / 2) + 1;
    QRectF caret = layout.CaretRect({1, middle});
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        source.lines[1].insert(middle, 1, 'x');
        state.ResumeTiming();
        layout.ChangedInLine(1, middle, 0, 1);
        const TLinePos at{1, middle + 1};
        switch (question) {
        case Question::CaretRect:
            caret = layout.CaretRect(at);
            ok = ok && caret.left() > layout.CaretRect({1, middle}).left() - 1;
            break;
        case Question::HitTest:
            ok = ok && layout.PositionAt(caret.center() + QPointF(2, 0)).byte >= middle;
            break;
        case Question::NextWord:
            ok = ok && layout.NextWordStart(at).byte > at.byte;
            break;
        case Question::WordAround:
            ok = ok && layout.WordAround(at).first.byte == middle;
            break;
        case Question::LineEnd:
            ok = ok && layout.VisualLineEnd(at).byte > at.byte;
            break;
        case Question::Down:
            ok = ok && layout.Below(at, caret.left()) != at;
            break;
        case Question::Up:
            ok = ok && layout.Above(at, caret.left()) != at;
            break;
        }
        state.PauseTiming();
        source.lines[1].erase(middle, 1);
        layout.ChangedInLine(1, middle, 1, 0);
        state.ResumeTiming();
    }
    if (!ok) {
        state.SkipWithError("a wrong answer");
    }
    state.counters["pieces"] = static_cast<double>(layout.LaidOutCount());
}

// A fresh layout's first caret in the middle of the line: the line cut into
// pieces, and the piece there laid out.
void BM_LongLineFirstCaret(benchmark::State& state) {
    const bool wrap = state.range(0) != 0;
    const TFakeLineSource& source = longLine();
    const size_t middle = source.lines[1].find(' ', source.lines[1].size() / 2) + 1;
    for (auto _ : state) {
        TLineLayout layout(source);
        setUp(layout, wrap);
        layout.Reset();
        const QRectF caret = layout.CaretRect({1, middle});
        if (layout.PositionAt(caret.center()) != TLinePos{1, middle} || layout.LaidOutCount() > 4) {
            state.SkipWithError("a wrong answer");
        }
    }
}

// The toolkit's own layout of the line answers the caret after each byte.
void BM_LongLineBareTextLayout(benchmark::State& state) {
    const bool wrap = state.range(0) != 0;
    TFakeLineSource& source = longLine();
    std::string& line = source.lines[1];
    const size_t middle = line.find(' ', line.size() / 2) + 1;
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    for (auto _ : state) {
        state.PauseTiming();
        line.insert(middle, 1, 'x');
        const QString text = QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
        state.ResumeTiming();
        QTextLayout layout(text);
        layout.setTextOption(option);
        layout.beginLayout();
        qreal y = 0;
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(kWidth - 8);
            l.setPosition(QPointF(0, y));
            y += l.height();
        }
        layout.endLayout();
        const QTextLine l = layout.lineForTextPosition(static_cast<int>(middle) + 1);
        if (!l.isValid() || l.cursorToX(static_cast<int>(middle) + 1) <= 0) {
            state.SkipWithError("no caret");
        }
        state.PauseTiming();
        line.erase(middle, 1);
        state.ResumeTiming();
    }
}

std::vector<qreal> randomTops(qreal height) {
    std::mt19937 random(7);
    std::uniform_real_distribution<qreal> at(0, height - kHeight);
    std::vector<qreal> tops(1000);
    for (qreal& top : tops) {
        top = at(random);
    }
    return tops;
}

void BM_ScrollTo1000Heights(benchmark::State& state) {
    const TFakeLineSource& source = manyLines();
    TLineLayout layout(source);
    setUp(layout, false);
    layout.Reset();
    const std::vector<qreal> tops = randomTops(layout.Size().height());
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        for (const qreal top : tops) {
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.translate(0, -top);
            layout.Draw(&painter, QRectF(0, top, kWidth, kHeight), {}, {0, 0}, false);
        }
        if (!drawnFull(image)) {
            state.SkipWithError("a screen not drawn full");
        }
    }
    state.counters["laid_out"] = static_cast<double>(layout.LaidOutCount());
}

void BM_ScrollTo1000HeightsBareTextLayouts(benchmark::State& state) {
    const TFakeLineSource& source = manyLines();
    QTextLayout probe(QStringLiteral("X"));
    probe.beginLayout();
    QTextLine first = probe.createLine();
    first.setLeadingIncluded(true);
    probe.endLayout();
    const qreal lineHeight = first.height();
    const std::vector<qreal> tops = randomTops(lineHeight * kLines);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    for (auto _ : state) {
        for (const qreal top : tops) {
            image.fill(Qt::white);
            QPainter painter(&image);
            for (auto line = static_cast<size_t>(top / lineHeight);
                 line < kLines && line * lineHeight < top + kHeight; ++line) {
                const std::string& bytes = source.lines[line];
                QTextLayout layout(
                    QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
                layout.setTextOption(option);
                layout.beginLayout();
                QTextLine l = layout.createLine();
                l.setLeadingIncluded(true);
                l.setLineWidth(kWidth);
                layout.endLayout();
                layout.draw(&painter, QPointF(4, line * lineHeight - top));
            }
        }
        if (!drawnFull(image)) {
            state.SkipWithError("a screen not drawn full");
        }
    }
}

void longLineArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"wrap", "question"});
    for (int wrap = 0; wrap <= 1; ++wrap) {
        for (int q = 0; q <= static_cast<int>(Question::Up); ++q) {
            b->Args({wrap, q});
        }
    }
}

} // namespace

BENCHMARK(BM_Reset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResetAndFirstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTextEditSetAndFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(1);
// A fixed count: each iteration also moves 5 MB untimed to type and take back the byte.
BENCHMARK(BM_LongLineAfterTyping)
    ->Apply(longLineArgs)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK(BM_LongLineFirstCaret)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongLineBareTextLayout)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ScrollTo1000Heights)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollTo1000HeightsBareTextLayouts)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The edit control (TRichEdit) typing and paging on large documents, and the
// memory it holds, side by side with a bare QTextEdit and a QPlainTextEdit on
// the same text, shown at 800 x 600:
//   edit_layout_bench --benchmark_repetitions=3
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
//   edit_layout_bench --memory=KIND,TEXT[,FILE]   one memory sample (child process)
// A keystroke is a key press and release sent to the widget and one pass of
// the event loop, which lays out and paints what the key changed; the
// "paints" counter shows that the viewport was painted each time.
#include "bench/common/ChildOutput.h"
#include "bench/common/EditBench.h"
#include "bench/common/GuiBench.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

using bench::LinesText;
using bench::LongLine;
using bench::TPaintCounter;

const std::string& utf8LongLine(int mb) {
    static std::map<int, std::string> cache;
    std::string& t = cache[mb];
    if (t.empty()) {
        t = bench::ToUtf8Words(LongLine(mb));
    }
    return t;
}

// The lines text as RTF: each line in three formats (plain, bold, red
// italic), every other paragraph centred.
const std::string& formattedRtf(int mb) {
    static std::map<int, std::string> cache;
    std::string& rtf = cache[mb];
    if (!rtf.empty()) {
        return rtf;
    }
    const std::string& text = LinesText(mb);
    rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Sans;}}{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs20 ";
    auto escaped = [&](std::string_view part) {
        for (const char c : part) {
            const auto b = static_cast<unsigned char>(c);
            if (b >= 0x80) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\'%02x", b);
                rtf += hex;
            } else {
                rtf.push_back(c);
            }
        }
    };
    size_t at = 0;
    for (int line = 0; at < text.size(); ++line) {
        const size_t end = text.find("\r\n", at);
        const std::string_view body(text.data() + at,
                                    (end == std::string::npos ? text.size() : end) - at);
        rtf += line % 2 == 0 ? "\\pard\\qc " : "\\pard ";
        escaped(body.substr(0, 20));
        rtf += "{\\b ";
        escaped(body.substr(20, 20));
        rtf += "}{\\i\\cf1 ";
        escaped(body.substr(std::min<size_t>(40, body.size())));
        rtf += "}\\par\n";
        at = end == std::string::npos ? text.size() : end + 2;
    }
    rtf += "}";
    return rtf;
}

enum Kind { Control = 0, Bare = 1, Plain = 2 };
const char* const kKindNames[] = {"control", "bare", "plain"};

// One of the three widgets, shown and given the text.
struct TSubject {
    std::unique_ptr<QAbstractScrollArea> widget;
    TRichEdit* control = nullptr;
    // The toolkit's widgets' document.
    QTextDocument* document = nullptr;

    // Lets the toolkit's own layout, which works through the whole text in
    // the background, get there first: the timings are of the edits. The
    // control lays out only what is shown or asked about.
    void settle() {
        if (control == nullptr) {
            document->documentLayout()->blockBoundingRect(document->lastBlock());
        }
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }

    int length() const { return control ? control->TextLength() : document->characterCount() - 1; }

    // The caret at a place (bytes for the control, characters otherwise),
    // scrolled into view.
    void placeCaret(int at) {
        if (control) {
            control->SetSelStart(at);
            control->SetSelLength(0);
        } else if (auto* edit = qobject_cast<QTextEdit*>(widget.get())) {
            QTextCursor c(document);
            c.setPosition(at);
            edit->setTextCursor(c);
            edit->ensureCursorVisible();
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget.get())) {
            QTextCursor c(document);
            c.setPosition(at);
            plain->setTextCursor(c);
            plain->ensureCursorVisible();
        }
        QCoreApplication::processEvents();
    }

    int caretLine() const {
        if (control) {
            return control->CaretPos().y();
        }
        if (auto* edit = qobject_cast<QTextEdit*>(widget.get())) {
            return edit->textCursor().blockNumber();
        }
        return qobject_cast<QPlainTextEdit*>(widget.get())->textCursor().blockNumber();
    }

    void setWrap(bool wrap) {
        if (control) {
            control->SetWordWrap(wrap);
        } else if (auto* edit = qobject_cast<QTextEdit*>(widget.get())) {
            edit->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget.get())) {
            plain->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        }
    }
};

TSubject makeSubject(Kind kind) {
    TSubject s;
    if (kind == Control) {
        auto edit = bench::Shown<TRichEdit>();
        s.control = edit.get();
        s.widget = std::move(edit);
    } else if (kind == Bare) {
        auto edit = bench::Shown<QTextEdit>();
        edit->setAcceptRichText(false);
        s.document = edit->document();
        s.widget = std::move(edit);
    } else {
        auto edit = bench::Shown<QPlainTextEdit>();
        s.document = edit->document();
        s.widget = std::move(edit);
    }
    return s;
}

void setPlain(TSubject& s, const std::string& bytes, bool utf8 = false) {
    if (s.control) {
        s.control->SetEncoding(utf8 ? TEncoding::Utf8 : TEncoding::Windows1252);
        s.control->SetText(bytes);
        return;
    }
    const QString text = utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    if (auto* edit = qobject_cast<QTextEdit*>(s.widget.get())) {
        edit->setPlainText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(s.widget.get())) {
        plain->setPlainText(text);
    }
}

// The file as the program opens a plain one; the toolkit's widgets get its
// bytes as characters, and no copy of the bytes outlives the reading.
void openFile(TSubject& s, const std::string& file) {
    if (s.control) {
        s.control->LoadFromFile(file);
    } else {
        setPlain(s, ReadFileBytes(file));
    }
}

// The same text and formats put straight into the toolkit's widget's own
// document, keeping no undo: no second document is alive beside it.
void formatToolkitDocument(QTextDocument& document, int mb) {
    QTextCharFormat plain;
    plain.setFontFamilies({QStringLiteral("Sans")});
    plain.setFontPointSize(10);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat redItalic = plain;
    redItalic.setFontItalic(true);
    redItalic.setForeground(QColor(200, 0, 0));
    const std::string& text = LinesText(mb);
    const auto part = [](std::string_view body, size_t from, size_t length) {
        return QString::fromLatin1(body.substr(std::min(from, body.size()), length));
    };
    document.setUndoRedoEnabled(false);
    QTextCursor c(&document);
    c.beginEditBlock();
    size_t at = 0;
    for (int line = 0; at < text.size(); ++line) {
        const size_t end = std::min(text.find("\r\n", at), text.size());
        const std::string_view body(text.data() + at, end - at);
        QTextBlockFormat paragraph;
        paragraph.setAlignment(line % 2 == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
        c.setBlockFormat(paragraph);
        c.insertText(part(body, 0, 20), plain);
        c.insertText(part(body, 20, 20), bold);
        c.insertText(part(body, 40, std::string_view::npos), redItalic);
        c.insertBlock();
        at = end + 2;
    }
    c.endEditBlock();
    document.setUndoRedoEnabled(true);
}

void setFormatted(TSubject& s, int mb) {
    if (s.control) {
        s.control->SetRtfText(formattedRtf(mb));
    } else {
        formatToolkitDocument(*s.document, mb);
    }
}

void key(QWidget& w, Qt::Key k, const QString& text = {}) {
    bench::SendKey(w, k, {}, text);
    QCoreApplication::processEvents();
}

void typeOne(QWidget& w) {
    key(w, Qt::Key_X, QStringLiteral("x"));
}

// Where in the text: 0 start, 1 middle, 2 end.
int placeOf(const TSubject& s, int where) {
    const int n = s.length();
    return where == 0 ? 0 : where == 1 ? n / 2 : n;
}

void keystrokes(benchmark::State& state, TSubject& s, int where) {
    s.settle();
    s.placeCaret(placeOf(s, where));
    typeOne(*s.widget); // the first one lays out what is around the caret
    TPaintCounter paints(s.widget->viewport());
    const int before = s.length();
    for (auto _ : state) {
        typeOne(*s.widget);
    }
    if (s.length() != before + static_cast<int>(state.iterations())) {
        state.SkipWithError("the keys did not all go in");
    }
    state.counters["paints"] =
        static_cast<double>(paints.count) / static_cast<double>(state.iterations());
}

// Args: kind, where.
void BM_Keystroke20MB(benchmark::State& state) {
    TSubject s = makeSubject(static_cast<Kind>(state.range(0)));
    setPlain(s, LinesText(20));
    keystrokes(state, s, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_Keystroke20MB)
    ->ArgsProduct({{Control, Bare, Plain}, {0, 1, 2}})
    ->ArgNames({"kind", "where"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void BM_KeystrokeFormatted20MB(benchmark::State& state) {
    TSubject s = makeSubject(static_cast<Kind>(state.range(0)));
    setFormatted(s, 20);
    keystrokes(state, s, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_KeystrokeFormatted20MB)
    ->ArgsProduct({{Control, Bare, Plain}, {0, 1, 2}})
    ->ArgNames({"kind", "where"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// Args: kind, wrap. The caret in the middle of one 10 MB line.
void BM_KeystrokeLongLine10MB(benchmark::State& state) {
    TSubject s = makeSubject(static_cast<Kind>(state.range(0)));
    s.setWrap(state.range(1) != 0);
    setPlain(s, LongLine(10));
    keystrokes(state, s, 1);
}
BENCHMARK(BM_KeystrokeLongLine10MB)
    ->ArgsProduct({{Control, Bare, Plain}, {0, 1}})
    ->ArgNames({"kind", "wrap"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Args: kind, where. The same in UTF-8 lines.
void BM_Keystroke20MBUtf8(benchmark::State& state) {
    TSubject s = makeSubject(static_cast<Kind>(state.range(0)));
    setPlain(s, bench::Utf8Lines(20), true);
    keystrokes(state, s, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_Keystroke20MBUtf8)
    ->ArgsProduct({{Control, Plain}, {0, 1, 2}})
    ->ArgNames({"kind", "where"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Args: kind, wrap. One 10 MB line of UTF-8.
void BM_KeystrokeLongLine10MBUtf8(benchmark::State& state) {
    TSubject s = makeSubject(static_cast<Kind>(state.range(0)));
    s.setWrap(state.range(1) != 0);
    setPlain(s, utf8LongLine(10), true);
    keystrokes(state, s, 1);
}
BENCHMARK(BM_KeystrokeLongLine10MBUtf8)
    ->ArgsProduct({{Control, Plain}, {0, 1}})
    ->ArgNames({"kind", "wrap"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// 1,000 presses of Page Down from the top, each laid out and painted.
void BM_PageDown20MB(benchmark::State& state) {
    TSubject s = makeSubject(static_cast<Kind>(state.range(0)));
    setPlain(s, LinesText(20));
    s.settle();
    constexpr int kPresses = 1000;
    int lastPlace = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.placeCaret(0);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPresses; ++i) {
            key(*s.widget, Qt::Key_PageDown);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        lastPlace = s.caretLine();
    }
    // Wall time: what the user waits for.
    state.counters["ms_per_key"] =
        seconds * 1000 / (kPresses * static_cast<double>(state.iterations()));
    state.counters["last_line"] = lastPlace;
    if (lastPlace < kPresses * 10) {
        state.SkipWithError("Page Down did not get far");
    }
}
BENCHMARK(BM_PageDown20MB)
    ->Arg(Control)
    ->Arg(Bare)
    ->Arg(Plain)
    ->ArgName("kind")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Memory: each widget holding a text, in a child process of its own: the
// 20 MB lines set, the 20 MB formatted text set, or the 100 MB file opened.
// What the allocator keeps free is given back first, in every kind alike.
const char* const kTextNames[] = {"lines", "formatted", "file"};

struct TMemory {
    double heldMB = -1; // resident growth
    double heapMB = -1; // malloc'd growth
    double peakMB = -1; // highest resident, over the start
};

TMemory memoryOf(const char* self, Kind kind, int text) {
    std::string arg = std::string("--memory=") + kKindNames[kind] + "," + kTextNames[text];
    if (text == 2) {
        arg += ',';
        arg += bench::FileOf("open100.txt", LinesText(100));
    }
    const std::string out = bench::ChildOutput(self, arg);
    long rss0 = 0, rss = 0, peak = 0, heap0 = 0, heap = 0;
    if (out.empty() ||
        std::sscanf(out.c_str(), "%ld %ld %ld %ld %ld", &rss0, &rss, &peak, &heap0, &heap) != 5) {
        return {};
    }
    return {static_cast<double>(rss - rss0) / 1024,
            static_cast<double>(heap - heap0) / static_cast<double>(bench::kMB),
            static_cast<double>(peak - rss0) / 1024};
}

char selfPath[4096] = "/proc/self/exe";

// Args: the text (0 lines, 1 formatted, 2 file), and 1 to measure the bare
// QTextEdit too.
void BM_Memory(benchmark::State& state) {
    const int text = static_cast<int>(state.range(0));
    std::vector<Kind> kinds = {Control, Plain};
    if (state.range(1) != 0) {
        kinds.push_back(Bare);
    }
    TMemory memory[3];
    for (auto _ : state) {
        for (const Kind kind : kinds) {
            memory[kind] = memoryOf(selfPath, kind, text);
            if (memory[kind].peakMB < 0) {
                state.SkipWithError("a measuring child failed");
                return;
            }
        }
    }
    for (const Kind kind : kinds) {
        const std::string name = kKindNames[kind];
        state.counters[name + "_MB"] = memory[kind].heldMB;
        state.counters[name + "_heap_MB"] = memory[kind].heapMB;
        state.counters[name + "_peak_MB"] = memory[kind].peakMB;
    }
    state.counters["vs_plain"] = memory[Control].heldMB / memory[Plain].heldMB;
}
BENCHMARK(BM_Memory)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"text", "bare"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

long statusField(const char* field) {
    long kb = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const size_t n = std::strlen(field);
        while (std::fgets(line, sizeof line, status)) {
            if (std::strncmp(line, field, n) == 0) {
                kb = std::atol(line + n);
                break;
            }
        }
        std::fclose(status);
    }
    return kb;
}

long heapBytes() {
    ::malloc_trim(0);
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

// The child prints the resident size before and after, the highest, and the
// malloc'd bytes before and after. The text generated beforehand is counted
// in every kind alike.
int memoryChild(const char* arg) {
    char kindName[16] = {};
    char textName[16] = {};
    char file[4096] = {};
    if (std::sscanf(arg, "%15[^,],%15[^,],%4095s", kindName, textName, file) < 2) {
        return 2;
    }
    int kind = 0;
    while (kind < 3 && std::strcmp(kKindNames[kind], kindName) != 0) {
        ++kind;
    }
    int text = 0;
    while (text < 3 && std::strcmp(kTextNames[text], textName) != 0) {
        ++text;
    }
    if (kind == 3 || text == 3 || (text == 2) != (file[0] != '\0')) {
        return 2;
    }
    if (text == 0) {
        LinesText(20);
    } else if (text == 1) {
        LinesText(20);
        formattedRtf(20);
    }
    const long heap0 = heapBytes();
    const long rss0 = statusField("VmRSS:");
    {
        TSubject s = makeSubject(static_cast<Kind>(kind));
        if (text == 0) {
            setPlain(s, LinesText(20));
        } else if (text == 1) {
            setFormatted(s, 20);
        } else {
            openFile(s, file);
        }
        s.settle();
        s.placeCaret(s.length() / 2);
        typeOne(*s.widget);
        const long heap = heapBytes();
        std::printf("%ld %ld %ld %ld %ld\n", rss0, statusField("VmRSS:"), statusField("VmHWM:"),
                    heap0, heap);
        std::fflush(stdout);
    }
    std::_Exit(0);
}

} // namespace

int main(int argc, char** argv) {
    bench::FixMallocThreshold();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    TApplication application;
    if (argc == 2 && std::strncmp(argv[1], "--memory=", 9) == 0) {
        return memoryChild(argv[1] + 9);
    }
    const ssize_t n = ::readlink("/proc/self/exe", selfPath, sizeof selfPath - 1);
    if (n > 0) {
        selfPath[n] = '\0';
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

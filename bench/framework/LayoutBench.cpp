// The edit control's layout on large documents, side by side with a bare
// QTextEdit and a QPlainTextEdit on the same text, shown at 800 x 600:
//   edit_layout_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//   edit_layout_bench --memory=KIND,TEXT   one memory sample (child process)
// A keystroke is a key press and release sent to the widget and one pass of
// the event loop, which lays out and paints what the key changed; the
// "paints" counter shows that the viewport was painted each time.
#include "bench/common/BenchText.h"
#include "bench/common/ChildOutput.h"
#include "framework/Files.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/RtfBridge.h"
#include "framework/ui/TextMirror.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr size_t kMB = size_t{1} << 20;

// 58 bytes of words and CR LF per line.
const std::string& linesText(int mb) {
    static std::map<int, std::string> cache;
    std::string& t = cache[mb];
    if (t.empty()) {
        t = MakeBenchText(static_cast<size_t>(mb) * kMB, true);
    }
    return t;
}

// One paragraph of words, no line end.
const std::string& longLine(int mb) {
    static std::map<int, std::string> cache;
    std::string& t = cache[mb];
    if (t.empty()) {
        t = MakeBenchText(static_cast<size_t>(mb) * kMB, false);
        for (char& c : t) {
            c = c == '\n' ? ' ' : c;
        }
    }
    return t;
}

// The same text with UTF-8 in every line: "th" as θ and "er" as é, so the
// bytes and the lines stay as they were.
std::string toUtf8Words(std::string text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        // The text's own accented letters (é, ï) take the place of a
        // letter pair before them, as two-byte UTF-8.
        const auto b = static_cast<unsigned char>(text[i + 1]);
        if (b == 0xE9 || b == 0xEF) {
            text[i] = '\xC3';
            text[++i] = static_cast<char>(b == 0xE9 ? 0xA9 : 0xAF);
            continue;
        }
        if (text[i] == 't' && text[i + 1] == 'h') {
            text[i] = '\xCE';
            text[++i] = '\xB8';
        } else if (text[i] == 'e' && text[i + 1] == 'r') {
            text[i] = '\xC3';
            text[++i] = '\xA9';
        }
    }
    return text;
}

const std::string& utf8Lines(int mb) {
    static std::map<int, std::string> cache;
    std::string& t = cache[mb];
    if (t.empty()) {
        t = toUtf8Words(linesText(mb));
    }
    return t;
}

const std::string& utf8LongLine(int mb) {
    static std::map<int, std::string> cache;
    std::string& t = cache[mb];
    if (t.empty()) {
        t = toUtf8Words(longLine(mb));
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
    const std::string& text = linesText(mb);
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

// Counts the paintings of a viewport.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* viewport) { viewport->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

enum Kind { Control = 0, Bare = 1, Plain = 2 };
const char* const kKindNames[] = {"control", "bare", "plain"};

// One of the three widgets, shown and given the text.
struct TSubject {
    std::unique_ptr<QAbstractScrollArea> widget;
    QTextDocument* document = nullptr;
    TRichEdit* control = nullptr;

    void show() {
        widget->resize(800, 600);
        widget->show();
        widget->activateWindow();
        widget->setFocus();
        QCoreApplication::processEvents();
    }

    // Lets the toolkit's own layout, which works through the whole text in
    // the background, get there first: the timings are of the edits.
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
            control->ensureCursorVisible();
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
        auto* edit = new TRichEdit;
        s.control = edit;
        s.widget.reset(edit);
        s.document = edit->document();
    } else if (kind == Bare) {
        auto* edit = new QTextEdit;
        edit->setAcceptRichText(false);
        s.widget.reset(edit);
        s.document = edit->document();
    } else {
        auto* edit = new QPlainTextEdit;
        s.widget.reset(edit);
        s.document = edit->document();
    }
    s.show();
    return s;
}

void setPlain(TSubject& s, const std::string& bytes, bool utf8 = false) {
    const QString text = utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    if (s.control) {
        s.control->SetEncoding(utf8 ? TEncoding::Utf8 : TEncoding::Windows1252);
        s.control->SetText(bytes);
    } else if (auto* edit = qobject_cast<QTextEdit*>(s.widget.get())) {
        edit->setPlainText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(s.widget.get())) {
        plain->setPlainText(text);
    }
}

// The same formats for the toolkit's widgets, read by the same reader and
// put straight into the widget's own document, as a load would, keeping no
// undo: no second document is alive beside it.
void setFormatted(TSubject& s, int mb) {
    if (s.control) {
        s.control->SetRtfText(formattedRtf(mb));
        return;
    }
    {
        const Rtf::Document rich = Rtf::Read(formattedRtf(mb));
        s.document->setUndoRedoEnabled(false);
        QTextCursor c(s.document);
        c.beginEditBlock();
        InsertRtfDocument(c, rich);
        c.endEditBlock();
        s.document->setUndoRedoEnabled(true);
    }
    // The reader's model goes back to the system, as the control gives it back.
    ::malloc_trim(0);
}

void key(QWidget& w, Qt::Key k, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QApplication::sendEvent(&w, &release);
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
    TPaintCounter paints(s.widget->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")));
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
    setPlain(s, linesText(20));
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
    setPlain(s, longLine(10));
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
    setPlain(s, utf8Lines(20), true);
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
    setPlain(s, linesText(20));
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

// Opening a file until the first screen is painted and a key typed at once
// has been taken and painted too.
const std::string& bigFile(QTemporaryDir& dir) {
    static std::string name;
    if (name.empty()) {
        name = (dir.path() + QStringLiteral("/open.txt")).toStdString();
        WriteFileBytes(name, linesText(100));
    }
    return name;
}

QTemporaryDir& tempDir() {
    static QTemporaryDir dir;
    return dir;
}

void BM_Open100MB(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const std::string& file = bigFile(tempDir());
    int length = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TSubject s = makeSubject(kind);
        state.ResumeTiming();
        if (s.control) {
            s.control->LoadFromFile(file);
        } else {
            setPlain(s, ReadFileBytes(file));
        }
        QCoreApplication::processEvents();
        typeOne(*s.widget);
        state.PauseTiming();
        length = s.length();
        s.widget.reset();
        state.ResumeTiming();
    }
    // Characters or bytes: a CR LF is one character in the toolkit's widgets.
    if (static_cast<size_t>(length) < linesText(100).size() / 60 * 58) {
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

// Opening 20 MB of Windows-1252 or of UTF-8 (the same lines), detected as
// a file is opened. Args: kind, utf8.
void BM_Open20MB(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const bool utf8 = state.range(1) != 0;
    static const std::string files[2] = {
        (tempDir().path() + QStringLiteral("/open1252.txt")).toStdString(),
        (tempDir().path() + QStringLiteral("/openutf8.txt")).toStdString()};
    const std::string& file = files[utf8 ? 1 : 0];
    const std::string& text = utf8 ? utf8Lines(20) : linesText(20);
    if (QFileInfo(QString::fromStdString(file)).size() != static_cast<qint64>(text.size())) {
        WriteFileBytes(file, text);
    }
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        TSubject s = makeSubject(kind);
        state.ResumeTiming();
        if (s.control) {
            s.control->LoadFromFile(file);
        } else {
            setPlain(s, ReadFileBytes(file), utf8);
        }
        QCoreApplication::processEvents();
        typeOne(*s.widget);
        state.PauseTiming();
        if (s.control) {
            right = right &&
                    s.control->Encoding() == (utf8 ? TEncoding::Utf8 : TEncoding::Windows1252) &&
                    s.control->TextLength() == static_cast<int>(text.size()) + 1;
        } else {
            right = right && s.document->blockCount() > 300000;
        }
        s.widget.reset();
        state.ResumeTiming();
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

// What opening cannot go below: reading the file and putting its bytes in a
// document nobody lays out, through the control's byte mirror.
void BM_Open100MB_ReadAndMirror(benchmark::State& state) {
    const std::string& file = bigFile(tempDir());
    size_t size = 0;
    for (auto _ : state) {
        QTextDocument doc;
        TTextMirror mirror(doc);
        doc.setPageSize(QSizeF(0, 0));
        mirror.ReplaceAll(ReadFileBytes(file), true);
        size = mirror.Bytes().size();
    }
    if (size != linesText(100).size()) {
        state.SkipWithError("the file did not all go in");
    }
}
BENCHMARK(BM_Open100MB_ReadAndMirror)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Memory: each widget holding the 20 MB text, in a child process of its own.
long memoryOf(const char* self, Kind kind, const char* text, long* peak) {
    const std::string out =
        bench::ChildOutput(self, std::string("--memory=") + kKindNames[kind] + "," + text);
    long rss = -1;
    if (out.empty() || std::sscanf(out.c_str(), "%ld %ld", &rss, peak) != 2) {
        return -1;
    }
    return rss;
}

char selfPath[4096] = "/proc/self/exe";

void BM_Memory20MB(benchmark::State& state) {
    const char* text = state.range(0) != 0 ? "formatted" : "lines";
    long rss[3] = {};
    long peak[3] = {};
    for (auto _ : state) {
        for (Kind kind : {Control, Bare, Plain}) {
            rss[kind] = memoryOf(selfPath, kind, text, &peak[kind]);
            if (rss[kind] <= 0 || peak[kind] <= 0) {
                state.SkipWithError("a measuring child failed");
                return;
            }
        }
    }
    for (Kind kind : {Control, Bare, Plain}) {
        state.counters[std::string(kKindNames[kind]) + "_MB"] =
            static_cast<double>(rss[kind]) / 1024;
        state.counters[std::string(kKindNames[kind]) + "_peak_MB"] =
            static_cast<double>(peak[kind]) / 1024;
    }
    state.counters["vs_plain"] =
        static_cast<double>(rss[Control]) / static_cast<double>(rss[Plain]);
}
BENCHMARK(BM_Memory20MB)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("formatted")
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

// The child: the text generated beforehand is counted in every kind alike.
int memoryChild(const char* spec) {
    char kindName[16] = {};
    char textName[16] = {};
    if (std::sscanf(spec, "%15[^,],%15s", kindName, textName) != 2) {
        return 2;
    }
    int kind = 0;
    while (kind < 3 && std::strcmp(kKindNames[kind], kindName) != 0) {
        ++kind;
    }
    const bool formatted = std::strcmp(textName, "formatted") == 0;
    if (formatted) {
        formattedRtf(20);
    } else {
        linesText(20);
    }
    {
        TSubject s = makeSubject(static_cast<Kind>(kind));
        if (formatted) {
            setFormatted(s, 20);
        } else {
            setPlain(s, linesText(20));
        }
        s.settle();
        s.placeCaret(s.length() / 2);
        typeOne(*s.widget);
        std::printf("%ld %ld\n", statusField("VmRSS:"), statusField("VmHWM:"));
        std::fflush(stdout);
    }
    std::_Exit(0);
}

} // namespace

int main(int argc, char** argv) {
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

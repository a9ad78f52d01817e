#pragma once

// What the edit control's benchmarks share: the generated texts and a file
// of them, widgets shown at 800 x 600, keys and clicks sent to them, and a
// count of their paints, which shows that each step was drawn.

#include "bench/common/BenchText.h"
#include "framework/Files.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>

namespace bench {

constexpr size_t kMB = size_t{1} << 20;

// 58 bytes of words and a CR LF a line.
inline const std::string& LinesText(int mb) {
    static std::map<int, std::string> cache;
    std::string& t = cache[mb];
    if (t.empty()) {
        t = MakeBenchText(static_cast<size_t>(mb) * kMB, true);
    }
    return t;
}

// One paragraph of words, no line end.
inline const std::string& LongLine(int mb) {
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

// The same text with UTF-8 in every line: "th" as θ and "er" as é, and the
// text's own accented letters (é, ï) as two bytes in the place of the
// letter before them, so the bytes and the lines stay as they were.
inline std::string ToUtf8Words(std::string text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i + 1]);
        if (b == 0xE9 || b == 0xEF) {
            text[i] = '\xC3';
            text[++i] = static_cast<char>(b == 0xE9 ? 0xA9 : 0xAF);
        } else if (text[i] == 't' && text[i + 1] == 'h') {
            text[i] = '\xCE';
            text[++i] = '\xB8';
        } else if (text[i] == 'e' && text[i + 1] == 'r') {
            text[i] = '\xC3';
            text[++i] = '\xA9';
        }
    }
    return text;
}

inline const std::string& Utf8Lines(int mb) {
    static std::map<int, std::string> cache;
    std::string& t = cache[mb];
    if (t.empty()) {
        t = ToUtf8Words(LinesText(mb));
    }
    return t;
}

inline QTemporaryDir& TempDir() {
    static QTemporaryDir dir;
    return dir;
}

// A file of the given bytes in the run's temporary folder, written once.
inline std::string FileOf(const std::string& name, const std::string& bytes) {
    const QString path = TempDir().path() + QLatin1Char('/') + QString::fromStdString(name);
    if (QFileInfo(path).size() != static_cast<qint64>(bytes.size())) {
        WriteFileBytes(path.toStdString(), bytes);
    }
    return path.toStdString();
}

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

inline void SendKey(QWidget& w, Qt::Key k, Qt::KeyboardModifiers modifiers = {},
                    const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, modifiers, text);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, modifiers, text);
    QApplication::sendEvent(&w, &release);
}

inline void SendMouse(QWidget* viewport, QEvent::Type type, const QPoint& at) {
    QMouseEvent e(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &e);
}

// Paints the viewport now, laying out what it shows.
inline void Painted(QAbstractScrollArea& w) {
    w.viewport()->repaint();
}

// A widget shown, focused and exposed, so that it paints.
template <typename W> std::unique_ptr<W> Shown() {
    auto w = std::make_unique<W>();
    w->resize(800, 600);
    w->show();
    w->activateWindow();
    w->setFocus();
    QCoreApplication::processEvents();
    return w;
}

} // namespace bench

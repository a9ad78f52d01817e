#pragma once

// The 20 MB texts the text tools are timed on, and the controls they are
// timed in.

#include "bench/common/BenchText.h"
#include "framework/ui/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <map>
#include <memory>
#include <string>

namespace bench {

constexpr size_t kTextToolsSize = size_t{20} << 20;
constexpr char kSearch[] = "Zebra";
constexpr char kReplacement[] = "Quagga";

// The bench text with `matches` line starts made "Zebra", spread evenly.
inline const std::string& TextWith(int matches) {
    static std::map<int, std::string> cache;
    std::string& t = cache[matches];
    if (t.empty()) {
        t = MakeBenchText(kTextToolsSize, false);
        if (matches > 0) {
            const size_t stride = t.size() / static_cast<size_t>(matches) / 60 * 60;
            for (int i = 0; i < matches; ++i) {
                t.replace(static_cast<size_t>(i) * stride, 5, kSearch);
            }
        }
    }
    return t;
}

// Lays the whole document out now, instead of bit by bit while idle.
inline void LayOut(QTextEdit& edit) {
    edit.document()->documentLayout()->blockBoundingRect(edit.document()->lastBlock());
}

template <typename Edit> std::unique_ptr<Edit> ShownEdit() {
    auto edit = std::make_unique<Edit>();
    edit->resize(800, 600);
    edit->show();
    return edit;
}

// A fresh, shown control whose text is fully laid out, as a document is once
// its window has been idle for a moment.
inline std::unique_ptr<TRichEdit> ControlWith(const std::string& text) {
    auto edit = ShownEdit<TRichEdit>();
    edit->SetText(text);
    LayOut(*edit);
    return edit;
}

} // namespace bench

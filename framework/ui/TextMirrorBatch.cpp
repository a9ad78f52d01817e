// Changes made of many edits at once (Replace All, case conversion): one
// undo step, one change report, and no layout of each edit as it is made.
#include "framework/ByteEdit.h"
#include "framework/ui/ShownText.h"
#include "framework/ui/TextMirror.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>

namespace {

bool splitsCrlf(const std::string& bytes, size_t pos) {
    return pos > 0 && pos < bytes.size() && bytes[pos - 1] == '\r' && bytes[pos] == '\n';
}

bool isLineEndByte(char c) {
    return c == '\r' || c == '\n';
}

// CR LF pairs in bytes[from, to); neither end lies inside one.
int crlfCount(const std::string& bytes, size_t from, size_t to) {
    int count = 0;
    const char* p = bytes.data() + from;
    const char* const end = bytes.data() + to;
    while (p < end) {
        const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
        if (!cr) {
            break;
        }
        p = static_cast<const char*>(cr) + 1;
        if (p < end && *p == '\n') {
            ++count;
            ++p;
        }
    }
    return count;
}

struct TDocEdit {
    size_t from; // bytes, widened to whole line ends
    size_t to;
    std::string bytes;
    int docFrom = 0;
    int docTo = 0;
};

} // namespace

void TTextMirror::ReplaceRanges(const std::vector<TByteEdit>& edits, bool bulk) {
    // Its callers have just read the whole text, so it is in one piece.
    const std::string& bytes = Bytes();
    const size_t size = bytes.size();
    // A CR LF is one break of the document: an edit that cuts one takes in
    // its other half, and two edits meeting inside one become one.
    std::vector<TDocEdit> spans;
    spans.reserve(edits.size());
    for (const TByteEdit& edit : edits) {
        const size_t from = std::min(edit.From, size);
        const size_t to = std::clamp(edit.To, from, size);
        if (bytes.compare(from, to - from, edit.Bytes) == 0) {
            continue; // the same bytes again
        }
        if (!spans.empty() && from == spans.back().to && splitsCrlf(bytes, from)) {
            spans.back().to = to;
            spans.back().bytes += edit.Bytes;
            continue;
        }
        spans.push_back(TDocEdit{from, to, edit.Bytes});
    }
    if (spans.empty()) {
        return;
    }
    for (size_t k = 0; k < spans.size(); ++k) {
        TDocEdit& span = spans[k];
        if (splitsCrlf(bytes, span.from)) {
            span.bytes.insert(span.bytes.begin(), '\r');
            --span.from;
        }
        if (splitsCrlf(bytes, span.to)) {
            span.bytes.push_back('\n');
            ++span.to;
        }
        // A lone CR and an LF brought side by side become one CR LF, so the
        // breaks shown follow the bytes (when no neighbouring edit is in the way).
        const bool crBefore = span.from > 0 && bytes[span.from - 1] == '\r' &&
                              (k == 0 || spans[k - 1].to < span.from);
        const bool lfAfter = span.to < size && bytes[span.to] == '\n' &&
                             (k + 1 == spans.size() || spans[k + 1].from > span.to + 1);
        if (crBefore && (span.bytes.empty() ? lfAfter : span.bytes.front() == '\n')) {
            span.bytes.insert(span.bytes.begin(), '\r');
            --span.from;
        }
        if (lfAfter && !span.bytes.empty() && span.bytes.back() == '\r') {
            span.bytes.push_back('\n');
            ++span.to;
        }
    }
    // Document positions, and the new bytes of the whole stretch, in one pass.
    const size_t first = spans.front().from;
    const size_t last = spans.back().to;
    std::string fresh;
    int crlfBefore = static_cast<int>(first) - ByteToDoc(static_cast<int>(first));
    size_t at = first;
    for (TDocEdit& span : spans) {
        if (unicode_) {
            // Characters are of many lengths: each end is mapped on its own.
            span.docFrom = ByteToDoc(static_cast<int>(span.from));
            span.docTo = ByteToDoc(static_cast<int>(span.to));
        } else {
            crlfBefore += crlfCount(bytes, at, span.from);
            span.docFrom = static_cast<int>(span.from) - crlfBefore;
            crlfBefore += crlfCount(bytes, span.from, span.to);
            span.docTo = static_cast<int>(span.to) - crlfBefore;
        }
        fresh.append(bytes, at, span.from - at);
        fresh.append(span.bytes);
        at = span.to;
    }

    QTextCursor cursor(&doc_);
    cursor.beginEditBlock();
    pending_ = Pending{static_cast<int>(first), static_cast<int>(last), fresh, true};
    QString chunk;
    // From the back, so the positions before each edit stay as they were.
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        cursor.setPosition(it->docFrom);
        cursor.setPosition(it->docTo, QTextCursor::KeepAnchor);
        const QTextCharFormat base = cursor.charFormat();
        if (unicode_ || it->bytes.find_first_of("\r\n") != std::string::npos) {
            if (cursor.hasSelection()) {
                cursor.removeSelectedText();
            }
            insertSegments(cursor, it->bytes, base);
            continue;
        }
        // No line end: the characters alone, in one step.
        chunk.resize(static_cast<qsizetype>(it->bytes.size()));
        for (size_t i = 0; i < it->bytes.size(); ++i) {
            chunk[static_cast<qsizetype>(i)] =
                QChar(Shown::CodePageChar(static_cast<unsigned char>(it->bytes[i])));
        }
        if (chunk.isEmpty()) {
            cursor.removeSelectedText();
        } else {
            cursor.insertText(chunk, base);
        }
    }
    cursor.endEditBlock();
    pending_.active = false;
    lastBulk_ = bulk;
}

bool TTextMirror::OverwriteBytes(int from, std::string_view bytes, bool bulk) {
    if (unicode_) {
        return false; // characters are of many lengths: a byte is no character
    }
    const size_t start = static_cast<size_t>(std::max(from, 0));
    if (start + bytes.size() > static_cast<size_t>(Size())) {
        return false;
    }
    const std::string oldBytes = Range(static_cast<int>(start), static_cast<int>(bytes.size()));
    const char* old = oldBytes.data();
    size_t firstDiff = bytes.size();
    size_t lastDiff = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (old[i] == bytes[i]) {
            continue;
        }
        if (isLineEndByte(old[i]) || isLineEndByte(bytes[i])) {
            return false;
        }
        firstDiff = std::min(firstDiff, i);
        lastDiff = i + 1;
    }
    if (firstDiff == bytes.size()) {
        return true; // nothing changes
    }
    const size_t byteFrom = start + firstDiff;
    const size_t byteTo = start + lastDiff;

    // The document's pieces in that stretch, each with its format; only the
    // part of each that changes is rewritten.
    struct TRun {
        int docFrom;
        int docTo;
        size_t byteFrom;
        QTextCharFormat format;
    };
    std::vector<TRun> runs;
    const int docFrom = ByteToDoc(static_cast<int>(byteFrom));
    const int docTo = docFrom + static_cast<int>(byteTo - byteFrom) -
                      crlfCount(oldBytes, byteFrom - start, byteTo - start);
    for (QTextBlock block = doc_.findBlock(docFrom); block.isValid() && block.position() < docTo;
         block = block.next()) {
        // CR LF breaks before the block: its first byte less its first position.
        const int extra = BlockByteStart(block.blockNumber()) - block.position();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            int a = std::max(fragment.position(), docFrom);
            int b = std::min(fragment.position() + fragment.length(), docTo);
            while (a < b && old[a + extra - static_cast<int>(start)] ==
                                bytes[static_cast<size_t>(a + extra) - start]) {
                ++a;
            }
            while (b > a && old[b - 1 + extra - static_cast<int>(start)] ==
                                bytes[static_cast<size_t>(b - 1 + extra) - start]) {
                --b;
            }
            if (a < b) {
                runs.push_back(TRun{a, b, static_cast<size_t>(a + extra), fragment.charFormat()});
            }
        }
    }

    QTextCursor cursor(&doc_);
    cursor.beginEditBlock();
    pending_ = Pending{static_cast<int>(byteFrom), static_cast<int>(byteTo),
                       bytes.substr(firstDiff, lastDiff - firstDiff), true};
    QString chunk;
    for (const TRun& run : runs) {
        const auto length = static_cast<size_t>(run.docTo - run.docFrom);
        chunk.resize(static_cast<qsizetype>(length));
        for (size_t i = 0; i < length; ++i) {
            chunk[static_cast<qsizetype>(i)] = QChar(
                Shown::CodePageChar(static_cast<unsigned char>(bytes[run.byteFrom + i - start])));
        }
        cursor.setPosition(run.docFrom);
        cursor.setPosition(run.docTo, QTextCursor::KeepAnchor);
        cursor.insertText(chunk, run.format);
    }
    cursor.endEditBlock();
    pending_.active = false;
    lastBulk_ = bulk;
    return true;
}

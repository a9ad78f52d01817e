#pragma once

#include "framework/rtf/Rtf.h"
#include "framework/ui/TextMirror.h"

#include <vector>

class QTextCursor;
class QTextDocument;
class TProgress;

// Between the edit control's document and the RTF codec's model. Both tell
// the progress, if one is given, how far they have come.

Rtf::Document DocumentToRtf(const QTextDocument& document, const TTextMirror& mirror,
                            TProgress* progress = nullptr);
// The characters [from, to) of the document (its positions, not bytes).
Rtf::Document RangeToRtf(const QTextDocument& document, const TTextMirror& mirror, int from,
                         int to);

// How InsertRtfDocument places the paragraphs.
struct TRtfInsertion {
    // The line end of each break in turn; breaks past the list take lineEnd.
    std::vector<TTextMirror::LineEnd> lineEnds;
    TTextMirror::LineEnd lineEnd = TTextMirror::LF;
    // Into text that is there: the paragraphs that end in a break take their
    // alignment, and the last one keeps that of the paragraph it lands in,
    // as pasted paragraphs do in word processors.
    bool paste = false;
    TProgress* progress = nullptr;
    // The document's bytes are UTF-8 (else Windows-1252), and so is the
    // rich text's; where the two differ its text is converted.
    bool unicode = false;
    bool textIsUtf8 = false;
};

// Inserts the paragraphs at the cursor, the first into the cursor's paragraph;
// the cursor ends after them.
void InsertRtfDocument(QTextCursor& cursor, const Rtf::Document& document,
                       const TRtfInsertion& how = {});

// Declared before the bytes and the reader's model of a load, gives the heap
// they took back to the system once they are gone: the model is millions of
// small blocks that the allocator would otherwise keep for the whole run.
class TGiveBackFreedHeap {
public:
    TGiveBackFreedHeap() = default;
    ~TGiveBackFreedHeap();
    TGiveBackFreedHeap(const TGiveBackFreedHeap&) = delete;
    TGiveBackFreedHeap& operator=(const TGiveBackFreedHeap&) = delete;
};

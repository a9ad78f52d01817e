#pragma once

#include "framework/rtf/Rtf.h"
#include "framework/ui/EditText.h"

#include <QFont>
#include <cstddef>
#include <memory>
#include <vector>

class QTextDocument;
class TEditHistory;
class TProgress;

// Between the text model and the RTF codec's model, and the toolkit document
// the platform prints. Formats convert as the bridge over the control's
// document converts them (RtfFormats.h), so both write the same RTF.

// The paragraphs of the bytes [from, to): every line the range touches (a
// range that ends at a line's start ends with it, empty), its alignment and
// its runs of one format. Text without a face or size of its own is in the
// control's base font, and other programs are to show it so: the document
// names it. Progress, if given, is told how far it has come.
Rtf::Document TextToRtf(const TEditText& text, std::size_t from, std::size_t to,
                        const QFont& baseFont, TProgress* progress = nullptr);

// How LoadRtf and PasteRtf place the paragraphs. A document whose text is in
// the other encoding than the text model's (its `unicode`) is converted,
// "?" for what Windows-1252 cannot hold.
struct TEditTextRtfInsertion {
    // The line end of each break in turn; breaks past the list take lineEnd.
    std::vector<TEditText::LineEnd> lineEnds;
    TEditText::LineEnd lineEnd = TEditText::LineEnd::LF;
    TProgress* progress = nullptr;
};

// The document is the whole text, in UTF-8 (unicode) or Windows-1252: a
// load, which nothing undoes. A break takes the format of the text before
// it; every line the alignment of its paragraph.
void LoadRtf(TEditText& text, const Rtf::Document& document, bool unicode,
             const TEditTextRtfInsertion& how = {});

// The document replaces the bytes [from, to) in one undo step, the first
// paragraph going into the line of `from`. The paragraphs that end in a
// break take their alignment; the last keeps that of the line it lands in,
// as pasted paragraphs do in word processors. Gives where the insertion ends.
std::size_t PasteRtf(TEditText& text, TEditHistory& history, std::size_t from, std::size_t to,
                     const Rtf::Document& document, const TEditTextRtfInsertion& how = {});

// The same characters in UTF-8 (unicode) or Windows-1252, "?" for what
// Windows-1252 cannot hold (and for bytes that are no well-formed UTF-8),
// every byte keeping its format and every line its alignment. A load: it
// clears the history, whose caller keeps the modified state if it will.
void ConvertEncoding(TEditText& text, bool unicode);

// The text as the control shows it (ShownText.h), its formats and
// alignments, in the base font: what the platform prints. Built only to
// print, as it costs what filling the toolkit's document always did.
std::unique_ptr<QTextDocument> PrintDocument(const TEditText& text, const QFont& baseFont);

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

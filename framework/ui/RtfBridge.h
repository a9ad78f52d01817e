#pragma once

#include "framework/rtf/Rtf.h"

class QTextCursor;
class QTextDocument;
class TTextMirror;

// Between the edit control's document and the RTF codec's model.

Rtf::Document DocumentToRtf(const QTextDocument& document, const TTextMirror& mirror);

// Inserts the paragraphs at the cursor, the first into the cursor's paragraph.
void InsertRtfDocument(QTextCursor& cursor, const Rtf::Document& document);

#pragma once

#include "framework/rtf/Rtf.h"

class QTextCursor;
class QTextDocument;
class TProgress;
class TTextMirror;

// Between the edit control's document and the RTF codec's model. Both tell
// the progress, if one is given, how far they have come.

Rtf::Document DocumentToRtf(const QTextDocument& document, const TTextMirror& mirror,
                            TProgress* progress = nullptr);

// Inserts the paragraphs at the cursor, the first into the cursor's paragraph.
void InsertRtfDocument(QTextCursor& cursor, const Rtf::Document& document,
                       TProgress* progress = nullptr);

#pragma once

#include "framework/TextEncoding.h"

class TProgress;
class TfrmNew;

// The Encoding commands: a document's file read again in another encoding,
// a document written in another encoding from its next save on, and the
// encoding new documents take.

// Windows-1252 until the user chooses another; remembered between runs.
TEncoding NewDocumentEncoding();
void SetNewDocumentEncoding(TEncoding encoding);

// Only a plain-text document that has its file can be read again.
bool CanReopen(const TfrmNew& window);

// Reads the document's file again as the encoding says, unchanged
// afterwards. When the document has changes it asks first; No (or a document
// that cannot be reopened) leaves it as it was. Raises, the window as it was,
// when the file cannot be read. True when it was read.
bool ReopenWith(TfrmNew& window, TEncoding encoding, TProgress* progress = nullptr);

// The document's characters written in the encoding from the next save on;
// the document counts as changed. When some characters cannot be held in it,
// says how many and asks first; No changes nothing. True when converted.
bool ConvertTo(TfrmNew& window, TEncoding encoding);

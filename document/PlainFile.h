#pragma once

#include "framework/Exceptions.h"
#include "framework/TextEncoding.h"

#include <string>

class TProgress;
class TRichEdit;

// A document's plain-text file and the edit control's text: the bytes read
// are decoded into the document's encoding, and written back in it, so a file
// opened and saved without an edit comes back byte for byte.

// A file error of the layer below with the system's reason added.
Exception WithSystemReason(const Exception& error);

// Reads the whole file. Raises naming the file and the system's reason, or
// that it does not fit in memory.
std::string ReadDocumentFile(const std::string& fileName, TProgress* progress = nullptr);

// Appends the file's bytes to the edit control's text. An empty control
// takes the encoding the bytes are found in (`fallback` when nothing
// decides); into a control that holds text already they are decoded and
// stored in the control's own encoding. Not reported as a change.
void AppendFileText(TRichEdit& edit, std::string bytes, TEncoding fallback,
                    TProgress* progress = nullptr);

// Replaces the edit control's text with bytes from elsewhere (a reply's
// body) read in the encoding, which the control takes: one undo step,
// reported as a change.
void SetTextFromBytes(TRichEdit& edit, std::string bytes, TEncoding encoding);

// Writes the edit control's text to the file in its encoding; raises
// EFCreateError as WriteFileBytes does.
void WritePlainFile(const std::string& fileName, const TRichEdit& edit,
                    TProgress* progress = nullptr);

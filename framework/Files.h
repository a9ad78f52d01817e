#pragma once

#include <string>
#include <string_view>

class TProgress;

// Whole-file reading and safe writing. Failures raise EFOpenError /
// EFCreateError naming the file; SystemReason() says why in the system's words.

// Reads the whole file, opened read-only. std::bad_alloc when the bytes do
// not fit. Reports how much is read to the progress, if one is given.
std::string ReadFileBytes(const std::string& fileName, TProgress* progress = nullptr);

// Writes the bytes to a temporary file beside the target and then puts it in
// the target's place, so a failed write never leaves a truncated file. The
// target's permissions are kept, and a symbolic link is followed to the file
// it names. A file the user may not write is refused, not replaced. Reports how much is written to
// the progress, if one is given.
void WriteFileBytes(const std::string& fileName, std::string_view bytes,
                    TProgress* progress = nullptr);

// The text of the errno left by the last failed call above (for the user).
std::string LastFileErrorReason();

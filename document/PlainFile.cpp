#include "document/PlainFile.h"

#include "framework/Files.h"
#include "framework/ui/RichEdit.h"

#include <new>
#include <utility>

namespace {

// A text held in one encoding's form (Windows-1252 bytes or UTF-8) in
// another's; a character Windows-1252 cannot hold becomes "?".
std::string converted(std::string text, TEncoding from, TEncoding to) {
    if (IsUnicode(from) == IsUnicode(to)) {
        return text;
    }
    return IsUnicode(to) ? CodePageToUtf8(text) : Utf8ToCodePage(text);
}

} // namespace

Exception WithSystemReason(const Exception& error) {
    const std::string reason = LastFileErrorReason();
    return Exception(reason.empty() ? error.Message() : error.Message() + ": " + reason);
}

std::string ReadDocumentFile(const std::string& fileName, TProgress* progress) {
    try {
        return ReadFileBytes(fileName, progress);
    } catch (const EFOpenError& error) {
        throw WithSystemReason(error);
    } catch (const std::bad_alloc&) {
        throw Exception("Not enough memory to open file " + fileName);
    }
}

void AppendFileText(TRichEdit& edit, std::string bytes, TEncoding fallback, TProgress* progress) {
    const TEncoding found = DetectEncoding(bytes, fallback);
    TDecodedFile file = DecodeFile(std::move(bytes), found);
    if (edit.TextLength() == 0) {
        edit.SetEncoding(found);
        edit.SetOddLastByte(file.oddByte);
        edit.AppendLoaded(std::move(file.text), progress);
        return;
    }
    // The odd last byte of an inserted UTF-16 file is no character of it.
    edit.AppendLoaded(converted(std::move(file.text), found, edit.Encoding()), progress);
}

void SetTextFromBytes(TRichEdit& edit, std::string bytes, TEncoding encoding) {
    TDecodedFile text = DecodeFile(std::move(bytes), encoding);
    // Taken before the text, so that the text is not converted again.
    edit.SetEncoding(encoding);
    edit.SetOddLastByte(text.oddByte);
    edit.SetText(text.text);
}

void WritePlainFile(const std::string& fileName, const TRichEdit& edit, TProgress* progress) {
    const TEncoding encoding = edit.Encoding();
    if (encoding == TEncoding::Windows1252 ||
        (encoding == TEncoding::Utf8 && edit.OddLastByte() < 0)) {
        WriteFileBytes(fileName, edit.Text(), progress);
        return;
    }
    WriteFileBytes(fileName, EncodeFile(edit.Text(), encoding, edit.OddLastByte()), progress);
}

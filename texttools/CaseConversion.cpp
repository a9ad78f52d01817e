#include "texttools/CaseConversion.h"

#include "framework/ByteEdit.h"
#include "framework/CodePage.h"
#include "framework/Utf8.h"
#include "framework/ui/RichEdit.h"

#include <QChar>
#include <vector>

namespace {

char asciiSwapped(char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<char>(c - 'a' + 'A');
    }
    if (c >= 'A' && c <= 'Z') {
        return static_cast<char>(c - 'A' + 'a');
    }
    return c;
}

// The toolkit leaves a character as it is when its full case mapping is
// several characters; these few have a simple mapping of their own all the
// same (the Greek letters with ypogegrammeni and capital I with dot above).
char32_t simpleUpper(char32_t cp) {
    if (cp >= 0x1F80 && cp <= 0x1FAF && (cp & 0xF) < 8) {
        return cp + 8;
    }
    if (cp == 0x1FB3 || cp == 0x1FC3 || cp == 0x1FF3) {
        return cp + 9;
    }
    return QChar::toUpper(cp);
}

char32_t simpleLower(char32_t cp) {
    return cp == 0x130 ? U'i' : QChar::toLower(cp);
}

// The simple case mapping of the character at `at` (not ASCII), -1 for an
// ill-formed byte; `length` is the character's length.
long mappedAt(std::string_view text, size_t at, bool upper, size_t& length) {
    const int n = Utf8::SequenceLength(text, at);
    length = n == 0 ? 1 : static_cast<size_t>(n);
    if (n == 0) {
        return -1;
    }
    const char32_t cp = Utf8::Decode(text, at, n);
    return static_cast<long>(upper ? simpleUpper(cp) : simpleLower(cp));
}

// Unicode All upper or All lower of UTF-8 text, appended to `out`; true when
// some character's encoding changed its length.
bool mapUnicode(std::string_view text, bool upper, std::string& out) {
    const auto& ascii = upper ? CodePage::UpperTable() : CodePage::LowerTable();
    bool lengthChanged = false;
    for (size_t at = 0; at < text.size();) {
        const auto b = static_cast<unsigned char>(text[at]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(ascii[b]));
            ++at;
            continue;
        }
        size_t n = 0;
        const long to = mappedAt(text, at, upper, n);
        const size_t before = out.size();
        if (to < 0) {
            out.push_back(text[at]); // an ill-formed byte stays as it is
        } else {
            Utf8::Append(out, static_cast<char32_t>(to));
        }
        lengthChanged = lengthChanged || out.size() - before != n;
        at += n;
    }
    return lengthChanged;
}

bool isUnicodeMapping(TCaseConversion conversion, bool unicode) {
    return unicode &&
           (conversion == TCaseConversion::AllUpper || conversion == TCaseConversion::AllLower);
}

// The edits Unicode All upper or All lower makes to the text: each run of
// neighbouring changed characters is one.
std::vector<TByteEdit> unicodeEdits(std::string_view text, bool upper) {
    const auto& ascii = upper ? CodePage::UpperTable() : CodePage::LowerTable();
    std::vector<TByteEdit> edits;
    std::string mapped;
    for (size_t at = 0, n = 0; at < text.size(); at += n) {
        mapped.clear();
        if (const auto b = static_cast<unsigned char>(text[at]); b < 0x80) {
            n = 1;
            mapped.push_back(static_cast<char>(ascii[b]));
        } else if (const long to = mappedAt(text, at, upper, n); to >= 0) {
            Utf8::Append(mapped, static_cast<char32_t>(to));
        }
        if (mapped.empty() || text.compare(at, n, mapped) == 0) {
            continue;
        }
        if (!edits.empty() && edits.back().To == at) {
            edits.back().To += n;
            edits.back().Bytes += mapped;
        } else {
            edits.push_back(TByteEdit{at, at + n, mapped});
        }
    }
    return edits;
}

} // namespace

std::string ConvertCase(std::string text, TCaseConversion conversion, bool unicode) {
    if (isUnicodeMapping(conversion, unicode)) {
        std::string out;
        out.reserve(text.size());
        mapUnicode(text, conversion == TCaseConversion::AllUpper, out);
        return out;
    }
    // Converted in place: the text given is the result's buffer.
    std::string out = std::move(text);
    switch (conversion) {
    case TCaseConversion::AllUpper:
    case TCaseConversion::AllLower: {
        const auto& table = conversion == TCaseConversion::AllUpper ? CodePage::UpperTable()
                                                                    : CodePage::LowerTable();
        for (char& c : out) {
            c = static_cast<char>(table[static_cast<unsigned char>(c)]);
        }
        break;
    }
    case TCaseConversion::Reverse:
        // The plain letters are single bytes in UTF-8 too, never part of a sequence.
        for (char& c : out) {
            c = asciiSwapped(c);
        }
        break;
    case TCaseConversion::InitialUpper:
        if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') {
            out[0] = asciiSwapped(out[0]);
        }
        break;
    }
    return out;
}

void ConvertSelectionCase(TRichEdit& edit, TCaseConversion conversion) {
    if (edit.isReadOnly() || edit.SelLength() == 0) {
        return;
    }
    const int start = edit.SelStart();
    std::string selected = edit.SelText();
    const bool unicode = IsUnicode(edit.Encoding());
    std::string converted;
    if (!isUnicodeMapping(conversion, unicode)) {
        converted = ConvertCase(std::move(selected), conversion);
    } else if (const bool upper = conversion == TCaseConversion::AllUpper;
               mapUnicode(selected, upper, converted)) {
        // Some characters change their length, so the selection cannot be
        // overwritten in place: only the changed characters are replaced, so
        // the formats of the rest stay (the text takes them in one pass).
        std::vector<TByteEdit> edits = unicodeEdits(selected, upper);
        for (TByteEdit& e : edits) {
            e.From += static_cast<size_t>(start);
            e.To += static_cast<size_t>(start);
        }
        edit.ReplaceRanges(edits, start + static_cast<int>(converted.size()));
        return;
    }
    const int caret = start + static_cast<int>(converted.size());
    edit.OverwriteSelection(std::move(converted));
    if (edit.SelStart() != caret || edit.SelLength() != 0) {
        edit.SetSelStart(caret);
    }
}

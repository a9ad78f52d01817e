#include "texttools/CaseConversion.h"

#include "framework/CodePage.h"
#include "framework/ui/RichEdit.h"

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

} // namespace

std::string ConvertCase(std::string_view text, TCaseConversion conversion) {
    std::string out(text);
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
    const std::string converted = ConvertCase(edit.SelText(), conversion);
    edit.OverwriteSelection(converted);
    const int caret = start + static_cast<int>(converted.size());
    if (edit.SelStart() != caret || edit.SelLength() != 0) {
        edit.SetSelStart(caret);
    }
}

// Feeds arbitrary bytes to the RTF reader and writes back what it read;
// then writes the bytes as the text of a Unicode document and reads that.
#include "framework/CodePage.h"
#include "framework/Utf8.h"
#include "framework/rtf/Rtf.h"

#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Calls f(character) for each well-formed character, f(-1 - byte) for each
// byte that is none; false when f says so.
template <typename F> bool eachCharacter(std::string_view text, F&& f) {
    for (std::size_t at = 0; at < text.size();) {
        const int length = Utf8::SequenceLength(text, at);
        const long ch = length == 0 ? -1 - static_cast<unsigned char>(text[at])
                                    : static_cast<long>(Utf8::Decode(text, at, length));
        if (!f(ch)) {
            return false;
        }
        at += length == 0 ? 1 : static_cast<std::size_t>(length);
    }
    return true;
}

bool inCodePage(long ch) {
    return ch >= 0 && CodePage::FromUnicode(static_cast<char32_t>(ch)) >= 0;
}

// A Unicode document's text is well-formed UTF-8, a symbol font's glyphs
// are characters of the code page, and some character is none: else the
// document would be in the code page.
bool honestlyUnicode(const Rtf::Document& document) {
    bool beyond = false;
    for (const Rtf::Paragraph& paragraph : document.paragraphs) {
        for (const Rtf::Run& run : paragraph.runs) {
            const bool symbol = run.format.charset == 2;
            if (!eachCharacter(run.text, [&](long ch) {
                    beyond = beyond || !inCodePage(ch);
                    return ch >= 0 && (!symbol || inCodePage(ch));
                })) {
                return false;
            }
        }
    }
    return beyond;
}

// A Unicode document of the bytes, less line ends, reads back with every
// character, and each byte that is no UTF-8 as the code page's character.
void roundTripAsUnicodeText(std::string_view input) {
    std::string text;
    for (const char c : input) {
        if (c != '\r' && c != '\n') {
            text.push_back(c);
        }
    }
    Rtf::Document document;
    document.unicode = true;
    if (!text.empty()) {
        document.paragraphs[0].runs.push_back(Rtf::Run{text, {}});
    }
    std::string expected;
    eachCharacter(text, [&](long ch) {
        Utf8::Append(expected, ch >= 0 ? static_cast<char32_t>(ch)
                                       : CodePage::ToUnicode(static_cast<unsigned char>(-1 - ch)));
        return true;
    });
    const Rtf::Document back = Rtf::Recoded(Rtf::Read(Rtf::Write(document)), true);
    std::string read;
    for (const Rtf::Run& run : back.paragraphs[0].runs) {
        read += run.text;
    }
    if (back.paragraphs.size() != 1 || read != expected) {
        __builtin_trap();
    }
}

// What every document the reader gives must look like.
bool wellFormed(const Rtf::Document& document) {
    if (document.paragraphs.empty()) {
        return false;
    }
    if (document.unicode && !honestlyUnicode(document)) {
        return false;
    }
    for (const Rtf::Paragraph& paragraph : document.paragraphs) {
        const Rtf::Run* previous = nullptr;
        for (const Rtf::Run& run : paragraph.runs) {
            if (run.text.empty() || run.text.find_first_of("\r\n") != std::string::npos) {
                return false;
            }
            if (previous != nullptr && previous->format == run.format) {
                return false; // equal neighbours are one run
            }
            // Face names are short UTF-8.
            const QString face = QString::fromStdString(run.format.face);
            if (face.toStdString() != run.format.face || face.toUcs4().size() > 31) {
                return false;
            }
            // Only a symbol font's glyphs keep a charset of their own.
            if (run.format.charset != (run.format.face.empty() ? -1 : 0) &&
                run.format.charset != 2) {
                return false;
            }
            previous = &run;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const Rtf::Document document = Rtf::Read(input);
    if (!wellFormed(document)) {
        __builtin_trap();
    }
    const std::string written = Rtf::Write(document);
    for (const char c : written) {
        if (c != '\n' && (c < 0x20 || c > 0x7E)) {
            __builtin_trap(); // the writer's output is printable ASCII
        }
    }
    // What we write must read back as the same document.
    if (Rtf::Read(written) != document) {
        __builtin_trap();
    }
    // And with a base font, as the edit control writes: the runs read back
    // in the base font's face and size where they had none.
    Rtf::Document based = document;
    based.base =
        Rtf::BaseFont{"Base;Face", size % 3 == 0 ? -1 : 0, 1 + static_cast<int>(size % 60)};
    if (Rtf::Read(Rtf::Write(based)) != Rtf::WithBaseResolved(based)) {
        __builtin_trap();
    }
    roundTripAsUnicodeText(input);
    return 0;
}

// Feeds arbitrary bytes to the RTF reader and writes back what it read.
#include "framework/rtf/Rtf.h"

#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// What every document the reader gives must look like.
bool wellFormed(const Rtf::Document& document) {
    if (document.paragraphs.empty()) {
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
    return 0;
}

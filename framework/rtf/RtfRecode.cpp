#include "framework/TextEncoding.h"
#include "framework/rtf/Rtf.h"

#include <string>

namespace Rtf {

// Text converts as everywhere else in the editor: a character the code page
// cannot hold becomes "?".
Document Recoded(Document document, bool unicode) {
    if (document.unicode == unicode) {
        return document;
    }
    for (Paragraph& paragraph : document.paragraphs) {
        for (Run& run : paragraph.runs) {
            run.text = unicode ? CodePageToUtf8(run.text) : Utf8ToCodePage(run.text);
        }
    }
    document.unicode = unicode;
    return document;
}

} // namespace Rtf

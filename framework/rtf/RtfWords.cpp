#include "framework/rtf/RtfWords.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace Rtf {
namespace {

// clang-format off
const std::pair<std::string_view, Word> kWords[] = {
    {"par", Word::Par}, {"line", Word::Par}, {"page", Word::Par}, {"sect", Word::Par},
    {"row", Word::Par}, {"nestrow", Word::Par},
    {"tab", Word::Tab}, {"cell", Word::Tab}, {"nestcell", Word::Tab},
    {"plain", Word::Plain}, {"pard", Word::Pard},
    {"ql", Word::AlignLeft}, {"qc", Word::AlignCenter}, {"qr", Word::AlignRight},
    {"qj", Word::AlignJustify}, {"qd", Word::AlignJustify},
    {"b", Word::Bold}, {"i", Word::Italic},
    {"ul", Word::Underline}, {"uld", Word::Underline}, {"uldash", Word::Underline},
    {"uldashd", Word::Underline}, {"uldashdd", Word::Underline}, {"uldb", Word::Underline},
    {"ulhwave", Word::Underline}, {"ulldash", Word::Underline}, {"ulth", Word::Underline},
    {"ulthd", Word::Underline}, {"ulthdash", Word::Underline}, {"ulthdashd", Word::Underline},
    {"ulthdashdd", Word::Underline}, {"ulthldash", Word::Underline},
    {"ululdbwave", Word::Underline}, {"ulw", Word::Underline}, {"ulwave", Word::Underline},
    {"ulnone", Word::UnderlineNone},
    {"strike", Word::Strike}, {"striked", Word::Strike}, {"v", Word::Hidden},
    {"f", Word::Font}, {"fs", Word::FontSize}, {"fcharset", Word::FontCharset},
    {"cpg", Word::FontCodePage}, {"ansicpg", Word::CodePage},
    {"chftn", Word::FootnoteMark}, {"ftnstart", Word::FootnoteStart},
    {"deff", Word::DefaultFont}, {"cf", Word::ColorFore},
    {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
    {"u", Word::Unicode}, {"uc", Word::UnicodeSkip}, {"bin", Word::Bin},
    {"fonttbl", Word::FontTable}, {"colortbl", Word::ColorTable},
    {"zwj", Word::Nothing}, {"zwnj", Word::Nothing}, {"zwbo", Word::Nothing},
    {"zwnbo", Word::Nothing}, {"ltrmark", Word::Nothing}, {"rtlmark", Word::Nothing},
};

// Symbol words and their bytes in the document code page.
const std::pair<std::string_view, unsigned char> kBytes[] = {
    {"emdash", 0x97}, {"endash", 0x96}, {"bullet", 0x95}, {"lquote", 0x91}, {"rquote", 0x92},
    {"ldblquote", 0x93}, {"rdblquote", 0x94}, {"emspace", ' '}, {"enspace", ' '},
    {"qmspace", ' '},
};

// The document character sets and their code pages.
const std::pair<std::string_view, std::uint16_t> kCharacterSets[] = {
    {"ansi", 1252}, {"mac", 10000}, {"pc", 437}, {"pca", 850},
};

// Destinations that hold no text of the document: pictures, objects, field
// instructions, headers and footers, notes, document properties, and the
// tables of styles, lists, revisions and the like. Unknown destinations
// marked \* are skipped as well.
const std::string_view kSkipped[] = {
    "stylesheet", "info", "pict", "object", "objdata", "result", "header", "headerl",
    "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "fldinst",
    "filetbl", "listtable", "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl",
    "nonshppict", "shpinst", "themedata", "colorschememapping", "datastore", "latentstyles",
    "pgdsctbl", "annotation", "atnid", "atnauthor", "atnref", "atntime", "atndate",
    "atrfstart", "atrfend", "txe", "xe", "tc", "bkmkstart", "bkmkend", "template",
    "generator", "title", "subject", "author", "operator", "keywords", "comment", "doccomm",
    "company", "manager", "category", "creatim", "revtim", "printim", "buptim", "ftnsep",
    "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "docvar", "userprops", "private",
    "pn", "pntxta", "pntxtb", "do", "background", "htmltag", "mhtmltag", "protusertbl",
    "xform", "falt", "panose", "fname", "passwordhash", "formfield", "datafield", "picprop",
    "blipuid", "listpicture", "mmathPr", "wgrffmtfilter", "ud",
};
// clang-format on

const std::unordered_map<std::string_view, WordInfo>& table() {
    static const std::unordered_map<std::string_view, WordInfo> t = [] {
        std::unordered_map<std::string_view, WordInfo> r;
        for (const auto& [name, word] : kWords) {
            r.emplace(name, WordInfo{word});
        }
        for (const auto& [name, byte] : kBytes) {
            r.emplace(name, WordInfo{Word::Byte, byte});
        }
        for (const auto& [name, codePage] : kCharacterSets) {
            r.emplace(name, WordInfo{Word::CharacterSet, codePage});
        }
        for (const std::string_view name : kSkipped) {
            r.emplace(name, WordInfo{Word::Skip});
        }
        return r;
    }();
    return t;
}

} // namespace

const WordInfo* findWord(std::string_view name) {
    const auto& t = table();
    const auto found = t.find(name);
    return found == t.end() ? nullptr : &found->second;
}

} // namespace Rtf

#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The font and colour tables of an RTF file as the reader fills them.
namespace Rtf {

class Decoders;

struct FontEntry {
    std::string face; // UTF-8, as the system names fonts
    int charset = -1; // \fcharsetN; -1: none given
    int codePage = 0; // \cpgN; 0: none given
};

class FontTable {
public:
    // Names are in their font's code page, which may be the file's (\ansicpg).
    FontTable(Decoders& decoders, const int& ansiCodePage)
        : decoders_(decoders), ansiCodePage_(ansiCodePage) {}

    // Entering the table: entries read before are kept (a second table adds to the first).
    void Enter() { pending_ = Pending{}; }
    // \fN in the table: an entry begins at the group depth, ending the one before.
    void Begin(int number, std::size_t depth);
    bool Reading() const { return pending_.active; }
    std::size_t Depth() const { return pending_.depth; }
    void SetCharset(int charset);
    void SetCodePage(int codePage);
    // Plain name text: ";" ends the entry.
    void AddText(std::string_view bytes);
    // A byte of an escape: part of the name even when it is ";".
    void AddByte(char byte);
    void AddCharacter(char32_t ch);
    // Ends the entry being read, if any.
    void Commit();

    const FontEntry* Find(int number) const;
    // The code page of text in the font.
    int CodePageOf(const FontEntry& font) const;

private:
    struct Pending {
        bool active = false;
        int number = 0;
        std::size_t depth = 0;
        FontEntry entry;
        std::string bytes; // not yet decoded
        QString name;      // decoded so far
    };
    void decodePending();

    Decoders& decoders_;
    const int& ansiCodePage_;
    std::map<int, FontEntry> fonts_;
    Pending pending_;
};

class ColorTable {
public:
    // Entering the table: it starts afresh.
    void Enter();
    // \redN, \greenN, \blueN: shift 16, 8 or 0 for the component.
    void SetComponent(int shift, int value);
    // An entry ends at its semicolon; a group closing without one keeps the
    // entry only when it gave a component.
    void EndEntry(bool delimited);
    // The colour of the index: none for automatic and out-of-table indexes.
    std::optional<std::uint32_t> At(int index) const;

private:
    std::vector<std::optional<std::uint32_t>> colors_;
    bool given_ = false;
    std::uint32_t rgb_ = 0;
};

} // namespace Rtf

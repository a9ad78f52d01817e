#pragma once

#include "framework/rtf/Rtf.h"
#include "framework/rtf/RtfCharsets.h"
#include "framework/rtf/RtfRuns.h"
#include "framework/rtf/RtfTables.h"
#include "framework/rtf/RtfWords.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// The reader behind Rtf::Read: one pass over the bytes with an explicit
// stack of group states, so nesting costs no native stack and every step
// consumes input: time is linear in the input and memory linear in what is
// kept. RtfReader.cpp reads the syntax, RtfReaderWords.cpp does what the
// control words say.
namespace Rtf {

// Text without a size of its own is 12 points, as in every word processor.
constexpr int kDefaultHalfPoints = 24;

enum class Destination : std::uint8_t { Text, FontTable, ColorTable };

// Formatting that groups scope: restored when a group closes.
struct State {
    int font = -1; // -1: the default font (\deff)
    int halfPoints = kDefaultHalfPoints;
    int color = -1; // index into the colour table; -1: automatic
    int unicodeSkip = 1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool hidden = false;
    Alignment alignment = Alignment::Left;
    Destination destination = Destination::Text;

    void ResetCharacter() {
        font = -1;
        halfPoints = kDefaultHalfPoints;
        color = -1;
        bold = italic = underline = strikeOut = hidden = false;
    }
};

class Reader {
public:
    explicit Reader(std::string_view input) : in_(input), fonts_(decoders_, ansiCodePage_) {
        stack_.reserve(64);
        stack_.emplace_back();
    }

    Document Run();

private:
    State& state() { return stack_.back(); }

    // The syntax.
    void openGroup();
    bool closeGroup();
    // A destination may replace the text of its group, but not of the
    // document itself (a hostile \pict at the top would hide everything);
    // in flattened groups it can only be skipped, as their state is shared.
    bool mayRedirect() const { return stack_.size() > 2 || overflow_ > 0; }
    void skipGroup();
    void enterTable(Destination destination);
    void control();
    void controlWord();
    void escape();
    void skipBinary(bool hasParam, int param);
    void text(std::string_view bytes);
    void sourceByte(char c);
    void documentByte(char c);
    void paragraphBreak();

    // The control words.
    void word(std::string_view name, bool hasParam, int param);
    bool characterWord(const WordInfo& info, bool hasParam, int param);
    void documentWord(const WordInfo& info, bool hasParam, int param);
    void unicode(int param);
    void footnoteMark();
    void prepareFormat();

    std::string_view in_;
    std::size_t pos_ = 0;
    std::vector<State> stack_;
    std::size_t overflow_ = 0; // groups opened beyond the depth kept and not yet closed
    bool skipping_ = false;
    std::size_t skipNesting_ = 0;
    int unicodeFallback_ = 0; // fallback characters of a \uN still to skip

    int ansiCodePage_ = kDocumentCodePage; // \ansicpg: of text whose font names none
    Decoders decoders_;
    FontTable fonts_;
    ColorTable colors_;
    int defaultFont_ = 0;
    int nextFootnote_ = 1;

    RunBuilder runs_;
    bool formatDirty_ = true;
};

} // namespace Rtf

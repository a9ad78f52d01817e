#pragma once

#include "framework/ui/EditText.h"
#include "framework/ui/LineLayout.h"

// The lines of a TEditText as the layout reads them: bodies without their
// line ends, shown through Shown::AppendShown, with the text's character
// formats over the shown characters.
class TEditTextSource : public TLineSource {
public:
    explicit TEditTextSource(const TEditText& text) : text_(text) {}

    size_t LineCount() const override { return text_.LineCount(); }
    size_t LineLength(size_t line) const override;
    void LineLengths(size_t first, size_t count, std::vector<std::uint32_t>& out) const override;
    Qt::Alignment LineAlignment(size_t line) const override { return text_.Alignment(line); }
    void Bytes(size_t line, size_t from, size_t to, std::string& out) const override;
    void ShownText(size_t line, size_t from, size_t to, TShown& out) const override;
    size_t CharStart(size_t line, size_t at) const override;

    // Tells the layout what a change of the text did to its lines.
    static void Tell(TLineLayout& layout, const TEditText& text, const TEditText::TChange& change);

private:
    const TEditText& text_;
};

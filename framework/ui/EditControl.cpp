#include "framework/ui/EditControl.h"

#include "framework/ByteEdit.h"
#include "framework/Progress.h"
#include "framework/TextSearch.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/EditText.h"
#include "framework/ui/EditTextSource.h"
#include "framework/ui/LineLayout.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int kCharsetProperty = QTextFormat::UserProperty + 0x51;

using Kind = TEditHistory::Kind;

std::uint32_t rgbOf(const QTextCharFormat& format) {
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush) {
        return format.foreground().color().rgb() & 0xFFFFFFu;
    }
    return 0x000000;
}

Qt::Alignment qtAlignment(TParaAlignment alignment) {
    switch (alignment) {
    case TParaAlignment::Center:
        return Qt::AlignHCenter;
    case TParaAlignment::Right:
        return Qt::AlignRight;
    case TParaAlignment::Justify:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

} // namespace

TEditControl::TEditControl(QWidget* parent)
    : QAbstractScrollArea(parent), text_(std::make_unique<TEditText>()),
      history_(std::make_unique<TEditHistory>(*text_)),
      source_(std::make_unique<TEditTextSource>(*text_)),
      layout_(std::make_unique<TLineLayout>(*source_)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    // Drops reach the viewport, which forwards them in its coordinates.
    viewport()->setAcceptDrops(true);
    layout_->SetPaintDevice(viewport());
    layout_->SetFont(font());
    layout_->HeightChanged = [this](qreal below, qreal delta) { keepViewOnText(below, delta); };
    text_->AddListener([this](const TEditText::TChange& change) { textChanged(&change); });
    layout_->Reset();
    relayout();
}

TEditControl::~TEditControl() {
    layout_->HeightChanged = nullptr;
}

const std::string& TEditControl::Text() const {
    return text_->Bytes();
}

int TEditControl::TextLength() const {
    return static_cast<int>(text_->Size());
}

TLinePos TEditControl::toPos(std::size_t byte) const {
    byte = std::min(byte, text_->Size());
    const std::size_t line = text_->LineOf(byte);
    const std::size_t start = text_->LineStart(line);
    return {line, std::min(byte, text_->LineBodyEnd(line)) - start};
}

std::size_t TEditControl::toByte(const TLinePos& pos) const {
    const std::size_t line = std::min(pos.line, text_->LineCount() - 1);
    return std::min(text_->LineStart(line) + pos.byte, text_->LineBodyEnd(line));
}

std::size_t TEditControl::boundary(std::size_t byte, bool forward) const {
    byte = std::min(byte, text_->Size());
    // Half a CR LF is a place the program may select; half a character is not.
    if (!text_->Unicode() || byte == 0 || byte == text_->Size() ||
        (text_->At(byte - 1) == '\r' && text_->At(byte) == '\n')) {
        return byte;
    }
    return text_->CharBoundary(byte, forward);
}

void TEditControl::select(std::size_t anchor, std::size_t caret, bool scroll) {
    if (std::min(anchor, caret) != selection_.Start() ||
        std::max(anchor, caret) != selection_.End()) {
        settlePrimarySelection();
    }
    const TSelectionState before = selection_;
    selection_.anchor = std::min(anchor, text_->Size());
    selection_.caret = std::min(caret, text_->Size());
    typingFormat_.reset();
    restartBlink();
    if (scroll) {
        ensureCaretVisible();
    }
    viewport()->update();
    if (selection_.caret != before.caret) {
        emit cursorPositionChanged();
    }
    if (selection_.Start() != before.Start() || selection_.End() != before.End()) {
        emit selectionChanged();
    }
}

void TEditControl::moveCaret(std::size_t caret, bool extend) {
    history_->BreakMerge();
    select(extend ? selection_.anchor : caret, caret);
}

void TEditControl::textChanged(const void* change) {
    const auto& c = *static_cast<const TEditText::TChange*>(change);
    TEditTextSource::Tell(*layout_, *text_, c);
    if (c.formatOnly || c.firstLine == 0) {
        syncPageWidth(); // an alignment other than left, or none now
    }
    if (c.formatOnly) {
        emit OnFormatChange();
    } else {
        emit OnChange();
    }
    updateScrollBars();
    viewport()->update();
}

void TEditControl::replace(std::size_t from, std::size_t to, std::string_view bytes, int kind) {
    settlePrimarySelection();
    const TEditHistory::TSelection before{selection_.Start(),
                                          selection_.End() - selection_.Start()};
    const std::optional<QTextCharFormat> format = typingFormat_;
    history_->Begin(before, static_cast<Kind>(kind));
    if (format) {
        text_->Replace(from, to, bytes, text_->InternFormat(*format));
    } else if (from == to && from == selection_.caret) {
        text_->Replace(from, to, bytes, caretFormatId());
    } else {
        text_->Replace(from, to, bytes);
    }
    const std::size_t caret = from + bytes.size();
    history_->End({caret, 0});
    goalX_ = -1;
    select(caret, caret);
    // What follows typed text with a format of its own keeps it.
    if (format && !bytes.empty()) {
        typingFormat_.reset();
    }
}

void TEditControl::replaceSelection(std::string_view bytes, int kind) {
    replace(selection_.Start(), selection_.End(), bytes, kind);
}

void TEditControl::deleteRange(std::size_t from, std::size_t to, int kind) {
    if (from < to) {
        replace(from, to, {}, kind);
    }
}

void TEditControl::SetText(std::string_view bytes) {
    if (bytes.size() == text_->Size() && text_->Holds(0, bytes)) {
        return;
    }
    settlePrimarySelection();
    history_->Begin({selection_.Start(), selection_.End() - selection_.Start()});
    std::string owned;
    owned.reserve(TGapBytes::RoomFor(bytes.size()));
    owned.assign(bytes);
    text_->Assign(std::move(owned), text_->Unicode(), false);
    history_->End({0, 0});
    goalX_ = -1;
    selection_ = {};
    select(0, 0);
}

void TEditControl::Clear() {
    if (text_->Size() != 0) {
        SetText({});
    }
    history_->SetModified(false);
}

void TEditControl::AppendLoaded(std::string bytes, TProgress* progress) {
    std::string whole;
    if (text_->Size() == 0) {
        whole = std::move(bytes);
    } else {
        whole.reserve(text_->Size() + bytes.size());
        whole.append(Text()).append(bytes);
    }
    loadWhole([&] { text_->Assign(std::move(whole), IsUnicode(encoding_), true); });
    ReportProgress(progress, 1.0);
}

int TEditControl::SelStart() const {
    return static_cast<int>(selection_.Start());
}

int TEditControl::SelLength() const {
    return static_cast<int>(selection_.End() - selection_.Start());
}

void TEditControl::SetSelStart(int position) {
    const std::size_t at = boundary(static_cast<std::size_t>(std::max(position, 0)), false);
    history_->BreakMerge();
    goalX_ = -1; // Up and Down go on from here, not from where they were
    select(at, at, false);
}

void TEditControl::SetSelLength(int length) {
    const std::size_t start = selection_.Start();
    const std::size_t end =
        std::max(start, boundary(start + static_cast<std::size_t>(std::max(length, 0)), true));
    history_->BreakMerge();
    goalX_ = -1;
    select(start, end);
}

std::string TEditControl::SelText() const {
    return text_->Range(selection_.Start(), selection_.End() - selection_.Start());
}

void TEditControl::SetSelText(std::string_view bytes) {
    const std::string copy(bytes); // it may be a view of the text itself
    replaceSelection(copy, static_cast<int>(Kind::Other));
}

void TEditControl::ReplaceRanges(const std::vector<TByteEdit>& edits, int caret) {
    settlePrimarySelection();
    if (edits.empty()) {
        return;
    }
    // Undone, a change of many places leaves the caret at the top of the
    // text, as the program's Replace All always has.
    history_->Begin({0, 0});
    text_->ReplaceRanges(edits);
    const std::size_t at = boundary(static_cast<std::size_t>(std::max(caret, 0)), false);
    history_->End({at, 0});
    goalX_ = -1;
    select(at, at, false);
}

void TEditControl::OverwriteSelection(std::string bytes) {
    const std::size_t start = selection_.Start();
    const std::size_t length = selection_.End() - start;
    if (bytes.size() != length) {
        SetSelText(bytes);
        return;
    }
    if (text_->Holds(start, bytes)) {
        select(start + length, start + length, false);
        return;
    }
    history_->Begin({start, length});
    if (start == 0 && length == text_->Size()) {
        // The whole text: the bytes are taken as the text, no piece of it moved.
        text_->Overwrite(std::move(bytes));
        history_->End({start + length, 0});
        select(start + length, start + length, false);
        return;
    }
    // Each byte keeps the format it had: the runs go back over the new bytes.
    const std::vector<TEditText::TRun> runs = text_->FormatRuns(start, start + length);
    text_->BeginChange();
    text_->Replace(start, start + length, bytes, runs.empty() ? 0 : runs.front().value);
    std::size_t at = start;
    for (const TEditText::TRun& run : runs) {
        if (at != start) {
            text_->SetFormat(at, at + run.length, text_->Format(run.value));
        }
        at += run.length;
    }
    text_->EndChange();
    history_->End({start + length, 0});
    select(start + length, start + length, false);
}

const char* TEditControl::OwnLineEndBytes() const {
    return TEditText::LineEndBytes(text_->OwnLineEnd());
}

QPoint TEditControl::CaretPos() const {
    const std::size_t end = selection_.End();
    const std::size_t line = text_->LineOf(end);
    const std::size_t column = text_->CharsBetween(text_->LineStart(line), end);
    return {static_cast<int>(column), static_cast<int>(line)};
}

int TEditControl::FindText(std::string_view text, int start, int length, bool wholeWord,
                           bool matchCase, int* matchLength) const {
    if (matchLength) {
        *matchLength = 0;
    }
    const std::string& bytes = Text();
    if (start < 0 || start > static_cast<int>(bytes.size())) {
        return -1;
    }
    const size_t from = static_cast<size_t>(start);
    const size_t to = length < 0 ? bytes.size() : from + static_cast<size_t>(length);
    const TTextSearch search(text, IsUnicode(encoding_), wholeWord, matchCase);
    size_t found = 0;
    const long long at = search.Find(bytes, from, to, found);
    if (matchLength) {
        *matchLength = static_cast<int>(found);
    }
    return static_cast<int>(at);
}

void TEditControl::CopyToClipboard() {
    if (selection_.Start() != selection_.End()) {
        QGuiApplication::clipboard()->setMimeData(createMimeDataFromSelection());
    }
}

void TEditControl::CutToClipboard() {
    if (selection_.Start() != selection_.End() && !readOnly_) {
        CopyToClipboard();
        replaceSelection({}, static_cast<int>(Kind::Other));
    }
}

void TEditControl::PasteFromClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!readOnly_ && data != nullptr && canInsertFromMimeData(data)) {
        insertFromMimeData(data);
    }
}

void TEditControl::SelectAll() {
    history_->BreakMerge();
    goalX_ = -1;
    select(0, text_->Size(), false);
}

bool TEditControl::CanUndo() const {
    return history_->CanUndo();
}

void TEditControl::afterUndo(std::size_t start, std::size_t length) {
    goalX_ = -1;
    select(start, start + length);
}

void TEditControl::Undo() {
    settlePrimarySelection();
    if (CanUndo()) {
        const TEditHistory::TSelection s = history_->Undo();
        afterUndo(s.start, s.length);
    }
}

bool TEditControl::CanRedo() const {
    return history_->CanRedo();
}

void TEditControl::Redo() {
    settlePrimarySelection();
    if (CanRedo()) {
        const TEditHistory::TSelection s = history_->Redo();
        afterUndo(s.start, s.length);
    }
}

void TEditControl::SetParagraphAlignment(TParaAlignment alignment) {
    const std::size_t first = text_->LineOf(selection_.Start());
    // A selection ending inside a CR LF ends after the break, in the next line.
    std::size_t end = selection_.End();
    if (end > 0 && end < text_->Size() && text_->At(end - 1) == '\r' && text_->At(end) == '\n') {
        ++end;
    }
    const std::size_t last = text_->LineOf(end);
    history_->Begin({selection_.Start(), selection_.End() - selection_.Start()});
    text_->SetAlignment(first, last, qtAlignment(alignment));
    history_->End({selection_.Start(), selection_.End() - selection_.Start()});
}

TParaAlignment TEditControl::ParagraphAlignment() const {
    const Qt::Alignment a = text_->Alignment(text_->LineOf(selection_.caret));
    return (a & Qt::AlignHCenter)   ? TParaAlignment::Center
           : (a & Qt::AlignRight)   ? TParaAlignment::Right
           : (a & Qt::AlignJustify) ? TParaAlignment::Justify
                                    : TParaAlignment::Left;
}

std::uint32_t TEditControl::caretFormatId() const {
    // As a toolkit cursor has it: the character before the caret, or at a
    // line's start the one after it.
    const std::size_t caret = selection_.caret;
    const std::size_t line = text_->LineOf(caret);
    const bool lineStart = caret == text_->LineStart(line) && text_->LineBodyEnd(line) > caret;
    return text_->FormatIdAt(lineStart || caret == 0 ? caret : caret - 1);
}

TFont TEditControl::SelAttributes() const {
    QTextCharFormat f;
    if (typingFormat_) {
        f = *typingFormat_;
    } else {
        f = text_->Format(caretFormatId());
    }
    QFont resolved = f.font().resolve(layout_->Font());
    TFont font = TFont::FromQFont(resolved, rgbOf(f));
    if (f.hasProperty(kCharsetProperty)) {
        font.Charset = f.intProperty(kCharsetProperty);
    }
    return font;
}

void TEditControl::SetSelAttributes(const TFont& font) {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromStdString(font.Name)});
    f.setFontPointSize(font.Size > 0 ? font.Size : 8);
    f.setFontWeight(font.Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(font.Italic);
    f.setFontUnderline(font.Underline);
    f.setFontStrikeOut(font.StrikeOut);
    f.setForeground(QColor::fromRgb(font.Color));
    f.setProperty(kCharsetProperty, font.Charset);
    const std::size_t start = selection_.Start();
    const std::size_t end = selection_.End();
    if (start == end) {
        // No change of the document: the text typed next takes it.
        QTextCharFormat next = text_->Format(caretFormatId());
        next.merge(f);
        typingFormat_ = next;
        return;
    }
    history_->Begin({start, end - start});
    text_->MergeFormat(start, end, f);
    history_->End({start, end - start});
}

bool TEditControl::SelectionHasOneFormat() const {
    return text_->FormatRuns(selection_.Start(), selection_.End()).size() <= 1;
}

TFont TEditControl::BaseFont() const {
    return TFont::FromQFont(layout_->Font(), 0);
}

void TEditControl::SetBaseFont(const TFont& font) {
    setFont(font.ToQFont());
    QPalette p = palette();
    p.setColor(QPalette::Text, QColor::fromRgb(font.Color));
    setPalette(p);
}

bool TEditControl::WordWrap() const {
    return layout_->WordWrap();
}

void TEditControl::SetWordWrap(bool wrap) {
    if (wrap == WordWrap()) {
        return;
    }
    layout_->SetWordWrap(wrap);
    // Wrapped lines never reach past the edge: a horizontal bar would be dead.
    setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : verticalScrollBarPolicy());
    relayout();
}

void TEditControl::SetScrollBars(bool both) {
    const Qt::ScrollBarPolicy policy = both ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded;
    setVerticalScrollBarPolicy(policy);
    setHorizontalScrollBarPolicy(WordWrap() ? Qt::ScrollBarAlwaysOff : policy);
}

void TEditControl::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    viewport()->update();
}

bool TEditControl::isModified() const {
    return history_->Modified();
}

void TEditControl::setModified(bool modified) {
    history_->SetModified(modified);
}

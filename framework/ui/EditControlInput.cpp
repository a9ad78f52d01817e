// TEditControl's keys and input methods.
#include "framework/ui/EditControl.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/EditText.h"
#include "framework/ui/LineLayout.h"
#include "framework/ui/ShownText.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>
#include <iterator>

namespace {

using Kind = TEditHistory::Kind;

enum class Move {
    NextChar,
    PreviousChar,
    NextWord,
    PreviousWord,
    LineStart,
    LineEnd,
    Down,
    Up,
    PageDown,
    PageUp,
    DocumentStart,
    DocumentEnd,
    BlockStart,
    BlockEnd,
};

struct TMoveKey {
    QKeySequence::StandardKey key;
    Move move;
    bool extend;
};

constexpr TMoveKey kMoveKeys[] = {
    {QKeySequence::MoveToNextChar, Move::NextChar, false},
    {QKeySequence::MoveToPreviousChar, Move::PreviousChar, false},
    {QKeySequence::MoveToNextWord, Move::NextWord, false},
    {QKeySequence::MoveToPreviousWord, Move::PreviousWord, false},
    {QKeySequence::MoveToStartOfLine, Move::LineStart, false},
    {QKeySequence::MoveToEndOfLine, Move::LineEnd, false},
    {QKeySequence::MoveToNextLine, Move::Down, false},
    {QKeySequence::MoveToPreviousLine, Move::Up, false},
    {QKeySequence::MoveToNextPage, Move::PageDown, false},
    {QKeySequence::MoveToPreviousPage, Move::PageUp, false},
    {QKeySequence::MoveToStartOfDocument, Move::DocumentStart, false},
    {QKeySequence::MoveToEndOfDocument, Move::DocumentEnd, false},
    {QKeySequence::MoveToStartOfBlock, Move::BlockStart, false},
    {QKeySequence::MoveToEndOfBlock, Move::BlockEnd, false},
    {QKeySequence::SelectNextChar, Move::NextChar, true},
    {QKeySequence::SelectPreviousChar, Move::PreviousChar, true},
    {QKeySequence::SelectNextWord, Move::NextWord, true},
    {QKeySequence::SelectPreviousWord, Move::PreviousWord, true},
    {QKeySequence::SelectStartOfLine, Move::LineStart, true},
    {QKeySequence::SelectEndOfLine, Move::LineEnd, true},
    {QKeySequence::SelectNextLine, Move::Down, true},
    {QKeySequence::SelectPreviousLine, Move::Up, true},
    {QKeySequence::SelectNextPage, Move::PageDown, true},
    {QKeySequence::SelectPreviousPage, Move::PageUp, true},
    {QKeySequence::SelectStartOfDocument, Move::DocumentStart, true},
    {QKeySequence::SelectEndOfDocument, Move::DocumentEnd, true},
    {QKeySequence::SelectStartOfBlock, Move::BlockStart, true},
    {QKeySequence::SelectEndOfBlock, Move::BlockEnd, true},
};

constexpr QKeySequence::StandardKey kEditKeys[] = {
    QKeySequence::Delete,
    QKeySequence::DeleteEndOfWord,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::SelectAll,
    QKeySequence::Copy,
    QKeySequence::Cut,
    QKeySequence::Paste,
    QKeySequence::Undo,
    QKeySequence::Redo,
};

bool isLineBreakKey(const QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    return enter &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool isBackspace(const QKeyEvent* event) {
    return event->key() == Qt::Key_Backspace &&
           !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
}

// Esc and the other control keys carry a control character as their text:
// they type nothing (Tab types itself; Return and Backspace act by their key).
bool onlyControls(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar ch) {
        return ch != QLatin1Char('\t') && ch.category() == QChar::Other_Control;
    });
}

bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    return !text.isEmpty() && !onlyControls(text) &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

// The bytes an input method sees around the caret: its line, at most this
// far on either side.
constexpr std::size_t kSurrounding = 1024;

} // namespace

bool TEditControl::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the control acts on are not the window's shortcuts.
        auto* key = static_cast<QKeyEvent*>(event);
        // Text typed with Alt is a menu's mnemonic; read-only text types nothing.
        const bool typing =
            !readOnly_ && ((typesText(key) && !(key->modifiers() & Qt::AltModifier)) ||
                           isLineBreakKey(key) || isBackspace(key));
        const bool ours = typing ||
                          std::any_of(std::begin(kMoveKeys), std::end(kMoveKeys),
                                      [&](const TMoveKey& k) { return key->matches(k.key); }) ||
                          std::any_of(std::begin(kEditKeys), std::end(kEditKeys),
                                      [&](QKeySequence::StandardKey k) { return key->matches(k); });
        if (ours) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && !tabChangesFocus_) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & ~Qt::KeypadModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TEditControl::pageStep(bool down, bool extend) {
    QScrollBar* bar = verticalScrollBar();
    const QRectF caret = layout_->CaretRect(toPos(selection_.caret));
    if (goalX_ < 0) {
        goalX_ = caret.left();
    }
    const qreal page = viewport()->height();
    const qreal y = caret.center().y() + (down ? page : -page);
    const TLinePos to = layout_->PositionAt(QPointF(goalX_, std::max<qreal>(0, y)));
    const int view = bar->value() + static_cast<int>(down ? page : -page);
    history_->BreakMerge();
    select(extend ? selection_.anchor : toByte(to), toByte(to), false);
    bar->setValue(view);
    ensureCaretVisible();
}

bool TEditControl::moveByKey(QKeyEvent* event) {
    const auto found = std::find_if(std::begin(kMoveKeys), std::end(kMoveKeys),
                                    [&](const TMoveKey& k) { return event->matches(k.key); });
    if (found == std::end(kMoveKeys)) {
        return false;
    }
    const bool extend = found->extend;
    const TLinePos pos = toPos(selection_.caret);
    const bool collapse = !extend && selection_.Start() != selection_.End();
    std::size_t to = selection_.caret;
    const Move move = found->move;
    if (move != Move::Up && move != Move::Down && move != Move::PageUp && move != Move::PageDown) {
        goalX_ = -1;
    }
    switch (move) {
    case Move::NextChar:
        to = collapse ? selection_.End() : toByte(layout_->NextCursorPosition(pos));
        break;
    case Move::PreviousChar:
        to = collapse ? selection_.Start() : toByte(layout_->PreviousCursorPosition(pos));
        break;
    case Move::NextWord:
        to = toByte(layout_->NextWordStart(pos));
        break;
    case Move::PreviousWord:
        to = toByte(layout_->PreviousWordStart(pos));
        break;
    case Move::LineStart:
        to = toByte(layout_->VisualLineStart(pos));
        break;
    case Move::LineEnd:
        to = toByte(layout_->VisualLineEnd(pos));
        break;
    case Move::Down:
    case Move::Up: {
        if (goalX_ < 0) {
            goalX_ = layout_->CaretRect(pos).left();
        }
        const TLinePos next =
            move == Move::Down ? layout_->Below(pos, goalX_) : layout_->Above(pos, goalX_);
        to = toByte(next);
        break;
    }
    case Move::PageDown:
    case Move::PageUp:
        pageStep(move == Move::PageDown, extend);
        return true;
    case Move::DocumentStart:
        to = 0;
        break;
    case Move::DocumentEnd:
        to = text_->Size();
        break;
    case Move::BlockStart:
        to = text_->LineStart(pos.line);
        break;
    case Move::BlockEnd:
        to = text_->LineBodyEnd(pos.line);
        break;
    }
    moveCaret(to, extend);
    // The start and the end of the text show with their margins.
    if (move == Move::DocumentStart) {
        verticalScrollBar()->setValue(0);
    } else if (move == Move::DocumentEnd) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    return true;
}

void TEditControl::typeText(const QString& text) {
    if (readOnly_ || text.isEmpty()) {
        return;
    }
    const std::string bytes =
        Shown::FromUser(text, text_->Unicode(), TEditText::LineEndBytes(text_->OwnLineEnd()));
    // One character at a time merges with the typing before it.
    const bool one = text.size() == 1 || (text.size() == 2 && text[0].isHighSurrogate());
    replaceSelection(bytes, static_cast<int>(one ? Kind::Typing : Kind::Other));
}

bool TEditControl::editByKey(QKeyEvent* event) {
    const bool selected = selection_.Start() != selection_.End();
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard();
    } else if (event->matches(QKeySequence::Cut)) {
        CutToClipboard();
    } else if (event->matches(QKeySequence::Paste)) {
        PasteFromClipboard();
    } else if (event->matches(QKeySequence::Undo)) {
        Undo();
    } else if (event->matches(QKeySequence::Redo)) {
        Redo();
    } else if (readOnly_) {
        return false;
    } else if (event->matches(QKeySequence::Delete)) {
        const std::size_t caret = selection_.caret;
        if (selected) {
            deleteRange(selection_.Start(), selection_.End(), static_cast<int>(Kind::Other));
        } else {
            deleteRange(caret, toByte(layout_->NextCursorPosition(toPos(caret))),
                        static_cast<int>(Kind::Other));
        }
    } else if (isBackspace(event)) {
        const std::size_t caret = selection_.caret;
        if (selected) {
            deleteRange(selection_.Start(), selection_.End(), static_cast<int>(Kind::Other));
        } else {
            deleteRange(toByte(layout_->PreviousCursorPosition(toPos(caret))), caret,
                        static_cast<int>(Kind::Backspace));
        }
    } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
        const std::size_t end =
            selected ? selection_.End() : toByte(layout_->NextWordStart(toPos(selection_.caret)));
        deleteRange(selection_.Start(), end, static_cast<int>(Kind::Other));
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        const std::size_t start = selected
                                      ? selection_.Start()
                                      : toByte(layout_->PreviousWordStart(toPos(selection_.caret)));
        deleteRange(start, selection_.End(), static_cast<int>(Kind::Other));
    } else if (isLineBreakKey(event)) {
        // A break typed by the user takes the line end the text already uses.
        replaceSelection(TEditText::LineEndBytes(text_->OwnLineEnd()),
                         static_cast<int>(Kind::Other));
    } else if (typesText(event)) {
        typeText(event->text());
    } else {
        return false;
    }
    return true;
}

void TEditControl::keyPressEvent(QKeyEvent* event) {
    if (readOnly_ && !event->matches(QKeySequence::Copy) &&
        !event->matches(QKeySequence::SelectAll)) {
        // Read-only text has no caret to move: the keys scroll, as in QTextEdit.
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (moveByKey(event) || editByKey(event)) {
        event->accept();
        if (event->modifiers() & Qt::ShiftModifier) {
            setPrimarySelection();
        }
        return;
    }
    event->ignore();
}

void TEditControl::keyReleaseEvent(QKeyEvent* event) {
    QAbstractScrollArea::keyReleaseEvent(event);
    emit OnKeyUp(event);
}

void TEditControl::inputMethodEvent(QInputMethodEvent* event) {
    if (readOnly_) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        std::size_t from = selection_.Start();
        std::size_t to = selection_.End();
        if (event->replacementLength() > 0 || event->replacementStart() != 0) {
            // Units of the surrounding text, counted from the caret.
            const std::size_t caret = selection_.caret;
            const std::size_t lineStart = text_->LineStart(text_->LineOf(caret));
            const std::size_t first = std::max(lineStart, caret - std::min(caret, kSurrounding));
            const std::size_t begin = boundary(first, true);
            const std::string before = text_->Range(begin, caret - begin);
            const int caretUnit = static_cast<int>(Shown::ToUser(before, text_->Unicode()).size());
            const int startUnit = std::max(0, caretUnit + event->replacementStart());
            from = begin + Shown::ByteOfUnit(before, startUnit);
            const std::size_t lineEnd = text_->LineBodyEnd(text_->LineOf(caret));
            const std::string after =
                text_->Range(from, std::min(lineEnd - from, kSurrounding * 2));
            to = from + Shown::ByteOfUnit(after, event->replacementLength());
        }
        replace(from, to,
                Shown::FromUser(event->commitString(), text_->Unicode(), OwnLineEndBytes()),
                static_cast<int>(event->commitString().size() <= 2 ? Kind::Typing : Kind::Other));
    }
    preedit_ = event->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor) {
            preeditCursor_ = a.start;
        }
    }
    viewport()->update();
    event->accept();
}

QVariant TEditControl::inputMethodQuery(Qt::InputMethodQuery query) const {
    const std::size_t caret = selection_.caret;
    const std::size_t line = text_->LineOf(caret);
    // The piece of the caret's line around it, whole characters.
    const std::size_t begin =
        boundary(std::max(text_->LineStart(line), caret - std::min(caret, kSurrounding)), true);
    const std::size_t end =
        boundary(std::min(text_->LineBodyEnd(line), caret + kSurrounding), false);
    const bool unicode = text_->Unicode();
    const auto unitsTo = [&](std::size_t byte) {
        byte = std::clamp(byte, begin, end);
        return static_cast<int>(Shown::ToUser(text_->Range(begin, byte - begin), unicode).size());
    };
    switch (query) {
    case Qt::ImEnabled:
        return !readOnly_;
    case Qt::ImCursorRectangle:
        return caretRect().translated(viewport()->pos());
    case Qt::ImFont:
        return layout_->Font();
    case Qt::ImCursorPosition:
        return unitsTo(caret);
    case Qt::ImAnchorPosition:
        return unitsTo(selection_.anchor);
    case Qt::ImSurroundingText:
        return Shown::ToUser(text_->Range(begin, end - begin), unicode);
    case Qt::ImCurrentSelection: {
        const std::size_t from = std::clamp(selection_.Start(), begin, end);
        const std::size_t to = std::clamp(selection_.End(), begin, end);
        return Shown::ToUser(text_->Range(from, to - from), unicode);
    }
    case Qt::ImHints:
        return static_cast<int>(inputMethodHints() | Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

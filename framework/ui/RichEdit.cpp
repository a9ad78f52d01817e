#include "framework/ui/RichEdit.h"

#include "framework/Files.h"
#include "framework/Progress.h"
#include "framework/TextSearch.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/EditLayout.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RtfBridge.h"
#include "framework/ui/ShownText.h"
#include "framework/ui/TextMirror.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kCharsetProperty = QTextFormat::UserProperty + 0x51;

bool isLineBreakKey(const QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    return enter &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// Typed or committed text with every character the code page cannot hold
// made "?", so what is shown is what will be saved. A Unicode document holds
// every character.
QString representable(const QString& text, bool unicode) {
    if (unicode) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += QLatin1Char('?');
            ++i;
            continue;
        }
        std::string byte;
        Shown::AppendBytes(byte, ch.unicode(), 0, false);
        const bool held = ch == QLatin1Char('\t') || byte != "?" || ch == QLatin1Char('?');
        out += held ? ch : QLatin1Char('?');
    }
    return out;
}

// Characters the document would show as something else when the toolkit
// types them itself: they go in through the bytes.
bool needsBytes(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar ch) {
        const char16_t c = ch.unicode();
        return Shown::MayBeLiteral(c) || c == 0x2028 || c == 0x2029 || c == 0xFFFC || c == 0xFDD0 ||
               c == 0xFDD1;
    });
}

// Esc and the other control keys carry a control character as their text:
// they type nothing (Tab types itself; Return and Backspace act by their key).
bool onlyControls(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar ch) {
        return ch != QLatin1Char('\t') && ch.category() == QChar::Other_Control;
    });
}

TParaAlignment alignmentOf(const QTextBlockFormat& format) {
    const Qt::Alignment a = format.alignment();
    return (a & Qt::AlignHCenter) ? TParaAlignment::Center
           : (a & Qt::AlignRight) ? TParaAlignment::Right
                                  : TParaAlignment::Left;
}

// True when merging the format into the text between the positions would
// change any of it.
bool mergeChanges(const QTextDocument& document, int from, int to,
                  const QTextCharFormat& modifier) {
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() >= to || fragment.position() + fragment.length() <= from) {
                continue;
            }
            QTextCharFormat merged = fragment.charFormat();
            merged.merge(modifier);
            if (merged != fragment.charFormat()) {
                return true;
            }
        }
    }
    return false;
}

std::uint32_t rgbOf(const QTextCharFormat& format) {
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush) {
        return format.foreground().color().rgb() & 0xFFFFFFu;
    }
    return 0x000000;
}

} // namespace

struct TRichEdit::ByteSelection {
    int start = 0;
    int length = 0;
    int docAnchor = -1;
    int docPosition = -1;
    std::uint64_t revision = 0;
};

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    layout_ = new TEditLayout(document());
    layout_->setPaintDevice(viewport());
    document()->setDocumentLayout(layout_);
    connect(layout_, &TEditLayout::HeightChangedAbove, this, &TRichEdit::keepViewOnText);
    routeCaretRequests();
    setLineWrapMode(QTextEdit::NoWrap);
    setTabChangesFocus(false);
    setUndoRedoEnabled(true);
    mirror_ = std::make_unique<TTextMirror>(*document());
    connect(mirror_.get(), &TTextMirror::Changed, this, &TRichEdit::OnChange);
    connect(mirror_.get(), &TTextMirror::FormatChanged, this, &TRichEdit::OnFormatChange);
}

TRichEdit::~TRichEdit() = default;

const std::string& TRichEdit::Text() const {
    return mirror_->Bytes();
}

int TRichEdit::TextLength() const {
    return mirror_->Size();
}

template <typename F> void TRichEdit::changeWholeText(F&& change) {
    // After a whole-text change the caret starts at the top. Parked outside
    // the document meanwhile, it is not dragged along by the change.
    setTextCursor(QTextCursor());
    change();
    selection_.reset();
    setTextCursor(QTextCursor(document()));
}

void TRichEdit::SetText(std::string_view bytes) {
    changeWholeText([&] { mirror_->ReplaceAll(bytes, false); });
}

void TRichEdit::Clear() {
    if (mirror_->Size() != 0) {
        SetText({});
    }
    document()->setModified(false);
}

void TRichEdit::AppendLoaded(std::string_view bytes, TProgress* progress) {
    changeWholeText([&] { mirror_->AppendLoaded(bytes, progress); });
}

bool TRichEdit::cachedSelection(ByteSelection& out) const {
    const QTextCursor c = textCursor();
    if (selection_ && selection_->revision == mirror_->Revision() &&
        selection_->docAnchor == c.anchor() && selection_->docPosition == c.position()) {
        out = *selection_;
        return true;
    }
    return false;
}

int TRichEdit::SelStart() const {
    ByteSelection s;
    if (cachedSelection(s)) {
        return s.start;
    }
    return mirror_->DocToByte(textCursor().selectionStart());
}

int TRichEdit::SelLength() const {
    ByteSelection s;
    if (cachedSelection(s)) {
        return s.length;
    }
    const QTextCursor c = textCursor();
    return mirror_->DocToByte(c.selectionEnd()) - mirror_->DocToByte(c.selectionStart());
}

void TRichEdit::selectBytes(int start, int length, bool scroll) {
    const int size = TextLength();
    start = std::clamp(start, 0, size);
    int end = std::clamp(start + std::max(length, 0), start, size);
    if (mirror_->Unicode()) {
        // Never half a character.
        start = mirror_->CharBoundary(start, false);
        end = mirror_->CharBoundary(end, true);
    }
    const int docStart = mirror_->ByteToDoc(start);
    // An end inside a CR LF takes in the whole break.
    const int docEnd = mirror_->ByteToDoc(end, true);
    QTextCursor c(document());
    c.setPosition(docStart);
    c.setPosition(docEnd, QTextCursor::KeepAnchor);
    setTextCursor(c);
    if (scroll) {
        ensureCursorVisible();
    }
    selection_ = std::make_unique<ByteSelection>(
        ByteSelection{start, end - start, c.anchor(), c.position(), mirror_->Revision()});
}

void TRichEdit::SetSelStart(int position) {
    selectBytes(position, 0, false);
}

void TRichEdit::SetSelLength(int length) {
    selectBytes(SelStart(), length, true);
}

std::string TRichEdit::SelText() const {
    const int start = SelStart();
    return mirror_->Range(start, SelLength());
}

void TRichEdit::SetSelText(std::string_view bytes) {
    const int start = SelStart();
    const int length = SelLength();
    const QTextCursor c = mirror_->ReplaceBytes(start, start + length, bytes);
    setTextCursor(c);
    const int caret = start + static_cast<int>(bytes.size());
    selection_ = std::make_unique<ByteSelection>(
        ByteSelection{caret, 0, c.anchor(), c.position(), mirror_->Revision()});
}

QPoint TRichEdit::CaretPos() const {
    const int end = SelStart() + SelLength();
    const QTextBlock block = document()->findBlock(mirror_->ByteToDoc(end));
    const int line = block.blockNumber();
    const int column = mirror_->CharsBetween(mirror_->BlockByteStart(line), end);
    return {column, line};
}

int TRichEdit::FindText(std::string_view text, int start, int length, bool wholeWord,
                        bool matchCase, int* matchLength) const {
    if (matchLength) {
        *matchLength = 0;
    }
    const std::string& bytes = mirror_->Bytes();
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

void TRichEdit::CopyToClipboard() {
    copy();
}

void TRichEdit::PasteFromClipboard() {
    paste();
}

void TRichEdit::SelectAll() {
    selectBytes(0, TextLength(), false);
}

bool TRichEdit::CanUndo() const {
    return document()->isUndoAvailable();
}

void TRichEdit::Undo() {
    if (!CanUndo()) {
        return;
    }
    if (mirror_->LastChangeWasBulk()) {
        changeWholeText([&] { document()->undo(); });
    } else {
        undo();
    }
    mirror_->ForgetBulk();
}

bool TRichEdit::CanRedo() const {
    return document()->isRedoAvailable();
}

void TRichEdit::Redo() {
    if (CanRedo()) {
        redo();
    }
}

void TRichEdit::SetParagraphAlignment(TParaAlignment alignment) {
    const Qt::Alignment wanted = alignment == TParaAlignment::Center  ? Qt::AlignHCenter
                                 : alignment == TParaAlignment::Right ? Qt::AlignRight
                                                                      : Qt::AlignLeft;
    const QTextCursor c = textCursor();
    const QTextBlock last = document()->findBlock(c.selectionEnd());
    bool differs = false;
    for (QTextBlock b = document()->findBlock(c.selectionStart()); b.isValid() && !differs;
         b = b.next()) {
        differs = alignmentOf(b.blockFormat()) != alignment;
        if (b == last) {
            break;
        }
    }
    // Setting what is already there would be reported as a change.
    if (!differs) {
        return;
    }
    QTextBlockFormat format;
    format.setAlignment(wanted);
    QTextCursor(c).mergeBlockFormat(format);
}

TParaAlignment TRichEdit::ParagraphAlignment() const {
    return alignmentOf(textCursor().blockFormat());
}

TFont TRichEdit::SelAttributes() const {
    const QTextCharFormat f = textCursor().charFormat();
    TFont font = TFont::FromQFont(f.font(), rgbOf(f));
    if (f.hasProperty(kCharsetProperty)) {
        font.Charset = f.intProperty(kCharsetProperty);
    }
    return font;
}

void TRichEdit::SetSelAttributes(const TFont& font) {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromStdString(font.Name)});
    f.setFontPointSize(font.Size > 0 ? font.Size : 8);
    f.setFontWeight(font.Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(font.Italic);
    f.setFontUnderline(font.Underline);
    f.setFontStrikeOut(font.StrikeOut);
    f.setForeground(QColor::fromRgb(font.Color));
    f.setProperty(kCharsetProperty, font.Charset);
    const QTextCursor c = textCursor();
    // Setting what is already there would be reported as a change.
    if (c.hasSelection() && !mergeChanges(*document(), c.selectionStart(), c.selectionEnd(), f)) {
        return;
    }
    // With a selection it takes the format; without one, the text typed next does.
    mergeCurrentCharFormat(f);
}

TFont TRichEdit::BaseFont() const {
    return TFont::FromQFont(document()->defaultFont(), 0);
}

void TRichEdit::SetBaseFont(const TFont& font) {
    document()->setDefaultFont(font.ToQFont());
    QPalette p = palette();
    p.setColor(QPalette::Text, QColor::fromRgb(font.Color));
    setPalette(p);
}

bool TRichEdit::WordWrap() const {
    return lineWrapMode() != QTextEdit::NoWrap;
}

void TRichEdit::SetWordWrap(bool wrap) {
    if (wrap == WordWrap()) {
        return;
    }
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    // Wrapped lines never reach past the edge: a horizontal bar would be dead.
    setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : verticalScrollBarPolicy());
}

void TRichEdit::SetScrollBars(bool both) {
    const Qt::ScrollBarPolicy policy = both ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded;
    setVerticalScrollBarPolicy(policy);
    setHorizontalScrollBarPolicy(WordWrap() ? Qt::ScrollBarAlwaysOff : policy);
}

void TRichEdit::SetEncoding(TEncoding encoding) {
    if (encoding == encoding_) {
        return;
    }
    const bool unicode = IsUnicode(encoding);
    encoding_ = encoding;
    if (unicode != mirror_->Unicode()) {
        // The same characters in the other bytes, formats kept; "?" for what
        // Windows-1252 cannot hold. A load as far as undo is concerned.
        Rtf::Document rich = DocumentToRtf(*document(), *mirror_);
        const bool modified = document()->isModified();
        TRtfInsertion how;
        how.textIsUtf8 = mirror_->Unicode();
        how.unicode = unicode;
        loadRich(rich, how);
        document()->setModified(modified);
    }
    emit OnEncodingChange();
}

void TRichEdit::loadRich(const Rtf::Document& rich, const TRtfInsertion& how) {
    changeWholeText([&] {
        mirror_->Rebuild(true, [&] {
            mirror_->SetUnicode(how.unicode);
            QTextCursor c(document());
            c.select(QTextCursor::Document);
            c.removeSelectedText();
            c.setBlockFormat(QTextBlockFormat());
            c.setCharFormat(QTextCharFormat());
            InsertRtfDocument(c, rich, how);
        });
    });
}

void TRichEdit::setEncodingQuietly(TEncoding encoding) {
    if (encoding != encoding_) {
        encoding_ = encoding;
        emit OnEncodingChange();
    }
}

bool TRichEdit::LoadFromFile(const std::string& fileName, TProgress* progress, TEncoding fallback,
                             const TEncoding* forced) {
    const TGiveBackFreedHeap giveBack;
    TProgressStep reading(progress, 0.0, 0.15);
    std::string bytes = ReadFileBytes(fileName, reading.get());
    if (forced != nullptr || !Rtf::IsRtf(bytes)) {
        const TEncoding encoding = forced ? *forced : DetectEncoding(bytes, fallback);
        TDecodedFile decoded = DecodeFile(bytes, encoding);
        std::string().swap(bytes);
        TProgressStep inserting(progress, 0.15, 1.0);
        changeWholeText([&] {
            mirror_->SetUnicode(IsUnicode(encoding));
            mirror_->ReplaceAll(decoded.text, true, inserting.get());
        });
        oddLastByte_ = decoded.oddByte;
        setEncodingQuietly(encoding);
        return false;
    }
    const Rtf::Document rich = Rtf::Read(bytes);
    ReportProgress(progress, 0.35);
    TProgressStep inserting(progress, 0.35, 1.0);
    TRtfInsertion how;
    how.progress = inserting.get();
    // Rich text holding characters Windows-1252 cannot is a Unicode document.
    const bool unicode = rich.unicode;
    how.unicode = how.textIsUtf8 = unicode;
    oddLastByte_ = -1;
    setEncodingQuietly(unicode ? TEncoding::Utf8 : TEncoding::Windows1252);
    loadRich(rich, how);
    return true;
}

std::string TRichEdit::RtfText() const {
    return Rtf::Write(DocumentToRtf(*document(), *mirror_));
}

void TRichEdit::SaveToFile(const std::string& fileName, TProgress* progress) const {
    TProgressStep collecting(progress, 0.0, 0.5);
    const Rtf::Document rich = DocumentToRtf(*document(), *mirror_, collecting.get());
    const std::string rtf = Rtf::Write(rich);
    ReportProgress(progress, 0.75);
    TProgressStep writing(progress, 0.75, 1.0);
    WriteFileBytes(fileName, rtf, writing.get());
}

void TRichEdit::SetRtfText(std::string_view rtf) {
    const TGiveBackFreedHeap giveBack;
    const Rtf::Document rich = Rtf::Recoded(Rtf::Read(rtf), mirror_->Unicode());
    changeWholeText([&] {
        mirror_->Rebuild(false, [&] {
            QTextCursor c(document());
            c.beginEditBlock();
            c.select(QTextCursor::Document);
            c.removeSelectedText();
            c.setBlockFormat(QTextBlockFormat());
            TRtfInsertion how;
            how.unicode = how.textIsUtf8 = mirror_->Unicode();
            InsertRtfDocument(c, rich, how);
            c.endEditBlock();
        });
    });
}

QString TRichEdit::Print(const QString& jobTitle) {
    return Platform().Print(*document(), jobTitle);
}

void TRichEdit::keepViewOnText(qreal y, qreal delta) {
    QScrollBar* bar = verticalScrollBar();
    // While painting, only what is shown is laid out; a dragged bar stays
    // under the mouse.
    if (painting_ || bar->isSliderDown() || y > bar->value()) {
        return;
    }
    const int shift = static_cast<int>(std::lround(delta));
    // The bar's range follows the new height later; the view moves now.
    bar->setMaximum(std::max(bar->maximum(), bar->value() + shift));
    bar->setValue(bar->value() + shift);
}

void TRichEdit::paintEvent(QPaintEvent* event) {
    const int caret = textCursor().position();
    if (!layout_->InLongParagraph(caret)) {
        layout_->SetOwnCaret(-2);
    } else {
        const bool shown = caretOn_ && hasFocus() && !isReadOnly();
        layout_->SetOwnCaret(shown ? caret : -1);
    }
    painting_ = true;
    QTextEdit::paintEvent(event);
    painting_ = false;
}

void TRichEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        Redo();
        event->accept();
        return;
    }
    if (moveInLongParagraph(event)) {
        event->accept();
        return;
    }
    if (modifierInLongParagraph(event)) {
        event->ignore();
        return;
    }
    if (isLineBreakKey(event)) {
        // A break typed by the user takes the line end the text already uses.
        SetSelText(TTextMirror::LineEndBytes(mirror_->OwnLineEnd()));
        ensureCursorVisible();
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool unicode = mirror_->Unicode();
    const bool typing = !text.isEmpty() && !(event->modifiers() & Qt::ControlModifier);
    if (unicode && typing && !onlyControls(text) && needsBytes(text)) {
        SetSelText(mirror_->FromUserText(text));
        ensureCursorVisible();
        event->accept();
        return;
    }
    forgetLiteralFormat();
    if (editInLongParagraph(event, representable(text, unicode))) {
        event->accept();
        return;
    }
    if (typing) {
        const QString allowed = onlyControls(text) ? QString() : representable(text, unicode);
        if (allowed != text) {
            QKeyEvent replaced(event->type(), event->key(), event->modifiers(), allowed,
                               event->isAutoRepeat(), static_cast<ushort>(event->count()));
            QTextEdit::keyPressEvent(&replaced);
            event->setAccepted(replaced.isAccepted());
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
    // The start and the end of the text show with their margins, not only
    // the caret's line.
    if (event->matches(QKeySequence::MoveToStartOfDocument) ||
        event->matches(QKeySequence::SelectStartOfDocument)) {
        verticalScrollBar()->setValue(0);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument) ||
               event->matches(QKeySequence::SelectEndOfDocument)) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void TRichEdit::keyReleaseEvent(QKeyEvent* event) {
    QTextEdit::keyReleaseEvent(event);
    emit OnKeyUp(event);
}

void TRichEdit::mousePressEvent(QMouseEvent* event) {
    QTextEdit::mousePressEvent(event);
    emit OnMouseDown(event);
}

void TRichEdit::forgetLiteralFormat() {
    // Typed next to a literal, text must not take its format: it would
    // read back as the literal's character.
    QTextCharFormat format = currentCharFormat();
    if (format.hasProperty(Shown::kLiteralProperty)) {
        format.clearProperty(Shown::kLiteralProperty);
        setCurrentCharFormat(format);
    }
}

void TRichEdit::inputMethodEvent(QInputMethodEvent* event) {
    forgetLiteralFormat();
    const bool unicode = mirror_->Unicode();
    if (unicode && needsBytes(event->commitString())) {
        const std::string bytes = mirror_->FromUserText(event->commitString());
        QInputMethodEvent replaced(event->preeditString(), event->attributes());
        QTextEdit::inputMethodEvent(&replaced);
        SetSelText(bytes);
        return;
    }
    const QString allowed = representable(event->commitString(), unicode);
    if (allowed != event->commitString()) {
        QInputMethodEvent replaced(event->preeditString(), event->attributes());
        replaced.setCommitString(allowed, event->replacementStart(), event->replacementLength());
        QTextEdit::inputMethodEvent(&replaced);
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

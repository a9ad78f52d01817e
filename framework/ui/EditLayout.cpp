#include "framework/ui/EditLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>
#include <vector>

namespace {

constexpr qreal kFixed = 64.0; // heights are kept in 1/64 pixel, as the toolkit measures lines

std::int32_t toFixed(qreal pixels) {
    return static_cast<std::int32_t>(std::min<qreal>(std::llround(pixels * kFixed), INT32_MAX));
}

qreal fromFixed(std::int64_t fixed) {
    return static_cast<qreal>(fixed) / kFixed;
}

Qt::Alignment alignmentOf(const QTextBlock& block, const QTextOption& option) {
    const QTextBlockFormat format = block.blockFormat();
    const Qt::Alignment a =
        format.hasProperty(QTextFormat::BlockAlignment) ? format.alignment() : option.alignment();
    return QStyle::visualAlignment(block.textDirection(), a);
}

bool alignedLeft(Qt::Alignment a) {
    return !(a & (Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify));
}

} // namespace

bool TEditLayout::Geometry::operator==(const Geometry& o) const {
    return pageWidth == o.pageWidth && margin == o.margin && font == o.font &&
           option.wrapMode() == o.option.wrapMode() && option.flags() == o.option.flags() &&
           option.tabStopDistance() == o.option.tabStopDistance() &&
           option.tabs() == o.option.tabs() && option.alignment() == o.option.alignment() &&
           option.textDirection() == o.option.textDirection();
}

TEditLayout::TEditLayout(QTextDocument* document) : QAbstractTextDocumentLayout(document) {
    refreshGeometry();
}

TEditLayout::~TEditLayout() = default;

bool TEditLayout::wraps() const {
    return geometry_.option.wrapMode() != QTextOption::NoWrap && geometry_.pageWidth > 0;
}

qreal TEditLayout::wrapWidth() const {
    return std::max<qreal>(1, geometry_.pageWidth - 2 * geometry_.margin);
}

qreal TEditLayout::alignWidth() const {
    if (wraps()) {
        return wrapWidth();
    }
    return std::max<qreal>(geometry_.pageWidth - 2 * geometry_.margin, records_.Total().widest);
}

std::int32_t TEditLayout::estimate(std::uint32_t chars) const {
    if (!wraps() || chars <= 1) {
        return lineHeight_;
    }
    const qreal width = static_cast<qreal>(chars - 1) * charWidth_;
    const auto lines =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(width / wrapWidth())));
    return static_cast<std::int32_t>(std::min<std::int64_t>(lines * lineHeight_, INT32_MAX));
}

bool TEditLayout::refreshGeometry() {
    const QTextDocument* doc = document();
    Geometry now;
    now.pageWidth = doc->pageSize().width();
    now.margin = doc->documentMargin();
    now.font = doc->defaultFont();
    now.option = doc->defaultTextOption();
    if (now == geometry_ && lineHeight_ > 0) {
        return false;
    }
    const bool moved = !(now.font == geometry_.font) || now.margin != geometry_.margin ||
                       now.option.wrapMode() != geometry_.option.wrapMode() ||
                       now.option.flags() != geometry_.option.flags() ||
                       now.option.tabStopDistance() != geometry_.option.tabStopDistance() ||
                       now.option.tabs() != geometry_.option.tabs() || lineHeight_ == 0;
    const bool wrapped = wraps();
    geometry_ = now;
    if (moved || wrapped || wraps()) {
        // Lines of the base font: what a paragraph not yet laid out is taken to hold.
        QTextLayout sample(QStringLiteral("X"), geometry_.font, paintDevice());
        sample.beginLayout();
        QTextLine line = sample.createLine();
        line.setLeadingIncluded(true);
        line.setLineWidth(1000);
        sample.endLayout();
        lineHeight_ = std::max(1, toFixed(line.height()));
        charWidth_ = QFontMetricsF(geometry_.font, paintDevice()).averageCharWidth();
        ++stamp_;
        estimatesStale_ = true;
    }
    return true;
}

void TEditLayout::ensureEstimates() const {
    if (!estimatesStale_) {
        return;
    }
    estimatesStale_ = false;
    std::vector<Record> all = records_.Items();
    for (Record& r : all) {
        r = Record{estimate(r.chars), 0, r.chars, 0};
    }
    records_.Assign(all);
}

bool TEditLayout::inStep() const {
    return static_cast<int>(records_.Size()) == document()->blockCount();
}

void TEditLayout::resyncAll() {
    std::vector<Record> all;
    all.reserve(static_cast<size_t>(document()->blockCount()));
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        b.clearLayout();
        const auto chars = static_cast<std::uint32_t>(b.length());
        all.push_back(Record{estimate(chars), 0, chars, 0});
    }
    records_.Assign(all);
    estimatesStale_ = false;
}

qreal TEditLayout::topOf(size_t index) const {
    return geometry_.margin + fromFixed(records_.Prefix(index).height);
}

QTextBlock TEditLayout::BlockAt(qreal y) const {
    ensureEstimates();
    if (!inStep()) {
        return document()->findBlock(0);
    }
    const std::int64_t at = static_cast<std::int64_t>(std::floor((y - geometry_.margin) * kFixed));
    const auto hit = records_.Find([at](const Totals::Sum& s) { return s.height > at; });
    const size_t index = std::min(hit.index, records_.Size() - 1);
    return document()->findBlockByNumber(static_cast<int>(index));
}

TPieceGeometry TEditLayout::pieceGeometry(const QTextBlock& block) const {
    TPieceGeometry g;
    g.font = geometry_.font;
    g.option = geometry_.option;
    g.option.setAlignment(alignmentOf(block, geometry_.option));
    g.option.setTextDirection(block.textDirection());
    g.wraps = wraps();
    g.wrapWidth = wrapWidth();
    g.charWidth = charWidth_;
    g.lineHeight = lineHeight_;
    g.stamp = stamp_;
    g.device = paintDevice();
    g.laidOut = &laidOut_;
    g.charsLaidOut = &longCharsLaidOut_;
    return g;
}

TLongParagraph& TEditLayout::longOf(const QTextBlock& block) const {
    return TLongParagraph::Of(block, pieceGeometry(block));
}

bool TEditLayout::longInStep(const QTextBlock& block) const {
    if (!TLongParagraph::IsLong(block) || !inStep()) {
        return false;
    }
    // Mid-change the pieces may not yet know of the edit: left for the
    // change to set right rather than cut afresh.
    const auto index = static_cast<size_t>(block.blockNumber());
    return index < records_.Size() &&
           records_.At(index).chars == static_cast<std::uint32_t>(block.length());
}

void TEditLayout::LayOutBetween(qreal top, qreal bottom) const {
    ensureEstimates();
    if (!inStep() || records_.Empty()) {
        return;
    }
    QTextBlock block = BlockAt(top);
    for (auto index = static_cast<size_t>(block.blockNumber());
         block.isValid() && topOf(index) < bottom; block = block.next(), ++index) {
        ensureLaidOut(block, index);
        if (longInStep(block)) {
            const qreal at = topOf(index);
            if (wraps()) {
                longOf(block).LayOutSpan(block, top - at, bottom - at);
            } else {
                longOf(block).LayOutSpan(block, 0, 1); // the height of its line
            }
            ensureLaidOut(block, index);
        }
    }
}

bool TEditLayout::InLongParagraph(int position) const {
    return longInStep(document()->findBlock(position));
}

int TEditLayout::LineStartOf(int position) const {
    const QTextBlock block = document()->findBlock(position);
    if (!longInStep(block)) {
        return position;
    }
    return block.position() + longOf(block).LineStart(block, position - block.position());
}

int TEditLayout::LineEndOf(int position) const {
    const QTextBlock block = document()->findBlock(position);
    if (!longInStep(block)) {
        return position;
    }
    return block.position() + longOf(block).LineEnd(block, position - block.position());
}

void TEditLayout::layOut(const QTextBlock& block, Record& record) const {
    if (TLongParagraph::IsLong(block)) {
        // Never laid out whole: its pieces answer for it.
        const TLongParagraph& paragraph = longOf(block);
        record.height = std::max(1, toFixed(paragraph.Height()));
        record.width = static_cast<std::int32_t>(
            std::min<qreal>(std::ceil(wraps() ? 0 : paragraph.Width()), INT32_MAX));
        record.chars = static_cast<std::uint32_t>(block.length());
        record.stamp = stamp_;
        return;
    }
    QTextLayout* layout = block.layout();
    QTextOption option = geometry_.option;
    const Qt::Alignment alignment = alignmentOf(block, option);
    option.setAlignment(alignment);
    option.setTextDirection(block.textDirection());
    if (!wraps()) {
        option.setWrapMode(QTextOption::NoWrap);
    }
    layout->setTextOption(option);
    layout->setCursorMoveStyle(document()->defaultCursorMoveStyle());
    const qreal width = alignWidth();
    qreal y = 0;
    qreal widest = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout->endLayout();
    record.height = std::max(1, toFixed(y));
    record.width = static_cast<std::int32_t>(std::min<qreal>(std::ceil(widest), INT32_MAX));
    record.chars = static_cast<std::uint32_t>(block.length());
    record.stamp = stamp_;
    ++laidOut_;
}

bool TEditLayout::ensureLaidOut(const QTextBlock& block, size_t index) const {
    QTextLayout* layout = block.layout();
    const auto chars = static_cast<std::uint32_t>(block.length());
    // Mid-change (the document has not yet said what changed) the record may
    // belong to another paragraph: it is left for the change to set right.
    const bool known = index < records_.Size() && inStep() && records_.At(index).chars == chars;
    Record record = known ? records_.At(index) : Record{lineHeight_, 0, chars, 0};
    if (!known && TLongParagraph::IsLong(block)) {
        return false;
    }
    const bool current = known && record.stamp == stamp_ && layout->lineCount() > 0;
    if (current) {
        // Unwrapped lines that are not aligned left move with the width they align in.
        const Qt::Alignment a = layout->textOption().alignment();
        if (wraps() || alignedLeft(a) || layout->lineAt(0).width() == alignWidth()) {
            return false;
        }
    }
    const std::int32_t oldHeight = record.height;
    const std::int32_t oldWidth = record.width;
    layOut(block, record);
    if (!known) {
        return false;
    }
    records_.Set(index, record);
    if (record.width != oldWidth) {
        reportSizeLater();
    }
    if (record.height == oldHeight) {
        return false;
    }
    noteChange(topOf(index), oldHeight, record.height);
    return true;
}

void TEditLayout::noteChange(qreal top, std::int64_t oldHeight, std::int64_t newHeight) const {
    auto* self = const_cast<TEditLayout*>(this);
    emit self->HeightChangedAbove(top + fromFixed(oldHeight), fromFixed(newHeight - oldHeight));
    emit self->update(QRectF(0, top, 1e9, 1e9));
    reportSizeLater();
}

void TEditLayout::reportSizeLater() const {
    if (sizePending_) {
        return;
    }
    sizePending_ = true;
    // Not while painting or answering a question: once the caller is done.
    QMetaObject::invokeMethod(
        const_cast<TEditLayout*>(this), [this] { reportSize(); }, Qt::QueuedConnection);
}

void TEditLayout::reportSize() const {
    sizePending_ = false;
    const QSizeF size = documentSize();
    if (size != reportedSize_) {
        reportedSize_ = size;
        emit const_cast<TEditLayout*>(this)->documentSizeChanged(size);
    }
}

QSizeF TEditLayout::documentSize() const {
    ensureEstimates();
    const Totals::Sum total = records_.Total();
    const qreal height = fromFixed(total.height) + 2 * geometry_.margin;
    if (wraps()) {
        return {geometry_.pageWidth, height};
    }
    const qreal content = total.widest + 2 * geometry_.margin;
    return {std::max(geometry_.pageWidth, content), height};
}

QRectF TEditLayout::frameBoundingRect(QTextFrame*) const {
    return QRectF(QPointF(0, 0), documentSize());
}

QRectF TEditLayout::blockBoundingRect(const QTextBlock& block) const {
    if (!block.isValid()) {
        return {};
    }
    ensureEstimates();
    const auto index = static_cast<size_t>(block.blockNumber());
    ensureLaidOut(block, index);
    const qreal top = topOf(std::min(index, records_.Size()));
    if (TLongParagraph::IsLong(block)) {
        const Record& r = records_.At(std::min(index, records_.Size() - 1));
        return {geometry_.margin, top, std::max<qreal>(alignWidth(), r.width), fromFixed(r.height)};
    }
    QTextLayout* layout = block.layout();
    layout->setPosition(QPointF(geometry_.margin, top));
    qreal height = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        height += layout->lineAt(i).height();
    }
    const qreal width = std::max(
        alignWidth(), layout->lineCount() > 0 ? layout->lineAt(0).naturalTextWidth() : 0.0);
    return {geometry_.margin, top, width, height};
}

QRectF TEditLayout::CaretRect(int position) const {
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) {
        return {};
    }
    const QRectF rect = blockBoundingRect(block);
    const int relative = position - block.position();
    if (longInStep(block)) {
        const QRectF caret = longOf(block).CaretRect(block, relative).translated(rect.topLeft());
        ensureLaidOut(block, static_cast<size_t>(block.blockNumber())); // pieces may have settled
        return caret;
    }
    if (TLongParagraph::IsLong(block)) {
        return {rect.left(), rect.top(), 1, fromFixed(lineHeight_)};
    }
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout->lineForTextPosition(relative);
    if (!line.isValid()) {
        return {rect.left(), rect.top(), 1, rect.height()};
    }
    return {rect.left() + line.cursorToX(relative), rect.top() + line.y(), 1, line.height()};
}

int TEditLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
    ensureEstimates();
    if (!inStep() || records_.Empty()) {
        return -1;
    }
    const QTextBlock block = BlockAt(point.y());
    const QRectF rect = blockBoundingRect(block);
    if (TLongParagraph::IsLong(block)) {
        if (!longInStep(block)) {
            return block.position();
        }
        const int hit = block.position() + longOf(block).HitTest(block, point - rect.topLeft());
        ensureLaidOut(block, static_cast<size_t>(block.blockNumber()));
        return hit;
    }
    const QTextLayout* layout = block.layout();
    const qreal y = point.y() - rect.top();
    const int lines = layout->lineCount();
    if (lines == 0) {
        return block.position();
    }
    int i = 0;
    while (i + 1 < lines && y >= layout->lineAt(i).y() + layout->lineAt(i).height()) {
        ++i;
    }
    const QTextLine line = layout->lineAt(i);
    const qreal x = point.x() - rect.left();
    if (accuracy == Qt::ExactHit) {
        const qreal left = line.cursorToX(line.textStart());
        const qreal right = left + line.naturalTextWidth();
        if (y < 0 || y >= line.y() + line.height() || x < left || x > right) {
            return -1;
        }
    }
    return block.position() + line.xToCursor(x, QTextLine::CursorBetweenCharacters);
}

void TEditLayout::draw(QPainter* painter, const PaintContext& context) {
    ensureEstimates();
    if (!inStep() || records_.Empty()) {
        return; // mid-change: the change repaints once it is known
    }
    const QRectF clip = context.clip.isValid() ? context.clip : frameBoundingRect(nullptr);
    // Lay out first: the heights that come out place the paragraphs below.
    struct Shown {
        QTextBlock block;
        size_t index;
    };
    std::vector<Shown> shown;
    const qreal widthBefore = alignWidth();
    QTextBlock block = BlockAt(clip.top());
    auto index = static_cast<size_t>(block.blockNumber());
    for (qreal top = topOf(index); block.isValid() && top < clip.bottom();
         block = block.next(), ++index) {
        ensureLaidOut(block, index);
        shown.push_back({block, index});
        top += fromFixed(records_.At(index).height);
    }
    if (alignWidth() != widthBefore) {
        // A longer line came to light: the aligned ones align anew.
        for (const Shown& s : shown) {
            ensureLaidOut(s.block, s.index);
        }
    }
    painter->save();
    painter->setPen(context.palette.color(QPalette::Text));
    qreal top = shown.empty() ? 0 : topOf(shown.front().index);
    bool anyLong = false;
    for (const Shown& s : shown) {
        if (TLongParagraph::IsLong(s.block)) {
            drawLong(painter, context, s.block, top, clip);
            anyLong = true;
        } else {
            drawBlock(painter, context, s.block, top, clip);
        }
        top += fromFixed(records_.At(s.index).height);
    }
    painter->restore();
    if (anyLong) {
        // Pieces laid out while drawing settle their paragraph's size.
        for (const Shown& s : shown) {
            if (TLongParagraph::IsLong(s.block)) {
                ensureLaidOut(s.block, s.index);
            }
        }
    }
}

void TEditLayout::drawLong(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                           qreal top, const QRectF& clip) const {
    const int start = block.position();
    const int length = block.length();
    std::vector<TLongParagraph::Range> selections;
    for (const Selection& range : context.selections) {
        const int from = std::max(range.cursor.selectionStart() - start, 0);
        const int to = std::min(range.cursor.selectionEnd() - start, length);
        if (from < to) {
            selections.push_back({from, to - from, range.format});
        }
    }
    const int at = ownCaret_ != -2 ? ownCaret_ : context.cursorPosition;
    const int caret = at >= start && at < start + length ? at - start : -1;
    bool ok = false;
    const int width = property("cursorWidth").toInt(&ok);
    const QPointF origin(geometry_.margin, top);
    painter->save();
    painter->translate(origin);
    longOf(block).Draw(painter, block, clip.translated(-origin), selections, caret, ok ? width : 1);
    painter->restore();
}

void TEditLayout::drawBlock(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                            qreal top, const QRectF& clip) const {
    QTextLayout* layout = block.layout();
    const QPointF origin(geometry_.margin, top);
    layout->setPosition(origin);
    const int start = block.position();
    const int length = block.length();
    QList<QTextLayout::FormatRange> selections;
    for (const Selection& range : context.selections) {
        const int from = range.cursor.selectionStart() - start;
        const int to = range.cursor.selectionEnd() - start;
        if (from < length && to > 0 && to > from) {
            selections.append({from, to - from, range.format});
        } else if (!range.cursor.hasSelection() &&
                   range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                   block.contains(range.cursor.position())) {
            const QTextLine line = layout->lineForTextPosition(range.cursor.position() - start);
            QTextLayout::FormatRange whole{line.textStart(), line.textLength(), range.format};
            if (whole.start + whole.length == length - 1) {
                ++whole.length; // the line end too
            }
            selections.append(whole);
        }
    }
    // Drawn from a painter moved to the paragraph, so far-down paragraphs keep
    // their precision in the toolkit's fixed-point coordinates.
    painter->save();
    painter->translate(origin);
    const QPointF back = -origin;
    layout->draw(painter, back, selections, clip.translated(-origin));
    int caret = context.cursorPosition;
    const bool preedit = caret < -1 && !layout->preeditAreaText().isEmpty();
    if ((caret >= start && caret < start + length) || preedit) {
        caret = preedit ? layout->preeditAreaPosition() - (caret + 2) : caret - start;
        bool ok = false;
        int width = property("cursorWidth").toInt(&ok);
        layout->drawCursor(painter, back, caret, ok ? width : 1);
    }
    painter->restore();
}

void TEditLayout::documentChanged(int from, int removed, int added) {
    QTextDocument* doc = document();
    if (from == 0 && removed == 0 && added == doc->characterCount() && inStep()) {
        // The document's page size, font or options were set.
        if (refreshGeometry()) {
            reportSizeLater();
            emit update();
        }
        return;
    }
    refreshGeometry();
    ensureEstimates();
    const int count = doc->blockCount();
    const int delta = count - static_cast<int>(records_.Size());
    const QTextBlock first = doc->findBlock(from);
    QTextBlock last = doc->findBlock(from + added);
    if (!last.isValid()) {
        last = doc->lastBlock();
    }
    const int b0 = first.blockNumber();
    const int b1 = last.blockNumber();
    const int oldLast = b1 - delta;
    if (records_.Empty() || b0 < 0 || b1 < b0 || oldLast < b0 ||
        oldLast >= static_cast<int>(records_.Size())) {
        resyncAll();
        reportSizeLater();
        emit update();
        return;
    }
    const std::int64_t oldHeight = records_.Prefix(static_cast<size_t>(oldLast) + 1).height -
                                   records_.Prefix(static_cast<size_t>(b0)).height;
    std::vector<Record> fresh;
    fresh.reserve(static_cast<size_t>(b1 - b0) + 1);
    std::int64_t newHeight = 0;
    int number = b0;
    for (QTextBlock b = first; b.isValid() && number <= b1; b = b.next(), ++number) {
        b.clearLayout();
        if (delta == 0 && b0 == b1) {
            TLongParagraph::Change(b, from - b.position(), removed, added);
        } else {
            TLongParagraph::Drop(b);
        }
        const auto chars = static_cast<std::uint32_t>(b.length());
        // A paragraph edited in place most likely keeps its height.
        const bool same = delta == 0 || number == b0;
        const std::int32_t height =
            same ? records_.At(static_cast<size_t>(number)).height : estimate(chars);
        fresh.push_back(Record{height, 0, chars, 0});
        newHeight += height;
    }
    records_.Replace(static_cast<size_t>(b0), static_cast<size_t>(oldLast - b0) + 1, fresh.data(),
                     fresh.size());
    const qreal top = topOf(static_cast<size_t>(b0));
    if (delta == 0 && newHeight == oldHeight) {
        emit update(QRectF(0, top, 1e9, fromFixed(newHeight)));
    } else {
        emit update(QRectF(0, top, 1e9, 1e9));
    }
    reportSizeLater();
}

#include "framework/ui/LineLayout.h"

#include "framework/ui/LineLayoutLong.h"
#include "framework/ui/ShownText.h"

#include <QFontMetricsF>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kFixed = 64.0; // heights in 1/64 pixel, as the toolkit measures lines
// Short lines' layouts kept at once: several screens' worth, and a bound on
// their text, as a layout costs some tens of bytes a character.
constexpr size_t kKeptLines = 512;
constexpr size_t kKeptBytes = size_t{2} << 20;
// Long lines whose pieces are kept at once.
constexpr size_t kKeptLong = 8;
// Lengths asked of the source at once while resetting.
constexpr size_t kLengthBatch = 65536;

std::int32_t toFixed(qreal pixels) {
    return static_cast<std::int32_t>(std::min<qreal>(std::llround(pixels * kFixed), INT32_MAX));
}

qreal fromFixed(std::int64_t fixed) {
    return static_cast<qreal>(fixed) / kFixed;
}

bool alignedLeft(Qt::Alignment a) {
    return !(a & (Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify));
}

} // namespace

int TLineLayout::TLaidOut::UnitOf(size_t byte) const {
    const size_t relative = std::min(byte - std::min(byte, start), bytes.size());
    return unicode ? Shown::UnitOfByte(bytes, relative, false) : static_cast<int>(relative);
}

size_t TLineLayout::TLaidOut::ByteOf(int unit) const {
    const int clamped = std::clamp(unit, 0, static_cast<int>(layout.text().size()));
    return start + (unicode ? Shown::ByteOfUnit(bytes, clamped) : static_cast<size_t>(clamped));
}

TLineLayout::TLineLayout(const TLineSource& source) : source_(source) {
    geometryChanged();
}

TLineLayout::~TLineLayout() = default;

void TLineLayout::SetFont(const QFont& font) {
    if (!(font == font_)) {
        font_ = font;
        geometryChanged();
    }
}

void TLineLayout::SetWordWrap(bool wrap) {
    if (wrap != wrap_) {
        wrap_ = wrap;
        geometryChanged();
    }
}

void TLineLayout::SetPageWidth(qreal width) {
    if (width == pageWidth_) {
        return;
    }
    const bool wrapped = wraps();
    pageWidth_ = width;
    // Unwrapped lines keep their heights; those not aligned left align anew
    // as they are next used.
    if (wrapped || wraps()) {
        geometryChanged();
    }
}

void TLineLayout::SetMargin(qreal margin) {
    if (margin != margin_) {
        margin_ = margin;
        geometryChanged();
    }
}

void TLineLayout::SetTabStopDistance(qreal distance) {
    if (distance != tabStop_) {
        tabStop_ = distance;
        geometryChanged();
    }
}

void TLineLayout::SetPaintDevice(QPaintDevice* device) {
    if (device != device_) {
        device_ = device;
        geometryChanged();
    }
}

void TLineLayout::geometryChanged() {
    // Lines of the base font: what a line not yet laid out is taken to hold.
    QTextLayout sample(QStringLiteral("X"), font_, device_);
    sample.beginLayout();
    QTextLine line = sample.createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(1000);
    sample.endLayout();
    lineHeight_ = std::max(1, toFixed(line.height()));
    charWidth_ = QFontMetricsF(font_, device_).averageCharWidth();
    ++stamp_;
    estimatesStale_ = true;
    forgetLines();
    // Pieces stay cut; their extents are estimated again when next used.
}

qreal TLineLayout::wrapWidth() const {
    return std::max<qreal>(1, pageWidth_ - 2 * margin_);
}

qreal TLineLayout::alignWidth() const {
    if (wraps()) {
        return wrapWidth();
    }
    return std::max<qreal>(pageWidth_ - 2 * margin_, records_.Total().widest);
}

std::int32_t TLineLayout::estimate(size_t bytes) const {
    if (!wraps() || bytes <= 1) {
        return lineHeight_;
    }
    const qreal width = static_cast<qreal>(bytes) * charWidth_;
    const auto lines =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(width / wrapWidth())));
    return static_cast<std::int32_t>(std::min<std::int64_t>(lines * lineHeight_, INT32_MAX));
}

void TLineLayout::ensureEstimates() const {
    if (!estimatesStale_) {
        return;
    }
    estimatesStale_ = false;
    estimateAll();
}

void TLineLayout::estimateAll() const {
    const size_t count = source_.LineCount();
    if (!wraps()) {
        // Unwrapped, a line is estimated one line high whatever its length.
        records_.Assign(std::vector<Record>(count, Record{lineHeight_, kEstimated}));
        return;
    }
    std::vector<Record> all;
    all.reserve(count);
    std::vector<std::uint32_t> lengths;
    for (size_t first = 0; first < count; first += kLengthBatch) {
        lengths.clear();
        source_.LineLengths(first, std::min(kLengthBatch, count - first), lengths);
        for (const std::uint32_t bytes : lengths) {
            all.push_back(Record{estimate(bytes), kEstimated});
        }
    }
    records_.Assign(all);
}

void TLineLayout::Reset() {
    forgetLines();
    long_.clear();
    estimateAll();
    estimatesStale_ = false;
}

void TLineLayout::shiftCaches(size_t from, size_t removed, std::ptrdiff_t delta) {
    // Lines [from, from + removed) are gone, the ones after move by delta.
    const auto moved = [&](size_t line, size_t& to) {
        if (line < from) {
            to = line;
            return true;
        }
        if (line < from + removed) {
            return false;
        }
        to = static_cast<size_t>(static_cast<std::ptrdiff_t>(line) + delta);
        return true;
    };
    std::unordered_map<size_t, Cached> cache;
    std::list<size_t> lru;
    for (const size_t line : lru_) {
        size_t to = 0;
        if (!moved(line, to)) {
            cachedBytes_ -= cache_[line].laidOut->bytes.size();
        } else {
            Cached& c = cache_[line];
            lru.push_back(to);
            cache.emplace(to, Cached{std::move(c.laidOut), std::prev(lru.end())});
        }
    }
    cache_ = std::move(cache);
    lru_ = std::move(lru);
    std::unordered_map<size_t, std::unique_ptr<TLongLine>> longs;
    for (auto& [line, l] : long_) {
        size_t to = 0;
        if (moved(line, to)) {
            longs.emplace(to, std::move(l));
        }
    }
    long_ = std::move(longs);
}

void TLineLayout::Changed(size_t first, size_t removed, size_t added) {
    ensureEstimates();
    first = std::min(first, records_.Size());
    removed = std::min(removed, records_.Size() - first);
    std::vector<std::uint32_t> lengths;
    source_.LineLengths(first, added, lengths);
    std::vector<Record> fresh;
    fresh.reserve(added);
    for (size_t i = 0; i < added && i < lengths.size(); ++i) {
        // A line edited in place most likely keeps its height.
        const bool inPlace = removed == added;
        fresh.push_back(
            Record{inPlace ? records_.At(first + i).height : estimate(lengths[i]), kEstimated});
    }
    records_.Replace(first, removed, fresh.data(), fresh.size());
    shiftCaches(first, removed,
                static_cast<std::ptrdiff_t>(fresh.size()) - static_cast<std::ptrdiff_t>(removed));
}

void TLineLayout::ChangedInLine(size_t line, size_t at, size_t removed, size_t added) {
    ensureEstimates();
    if (line >= records_.Size()) {
        return;
    }
    Record record = records_.At(line);
    record.width = kEstimated;
    records_.Set(line, record);
    forgetLine(line);
    auto found = long_.find(line);
    if (found != long_.end() &&
        (!isLong(line) || !found->second->Edited(line, at, removed, added))) {
        long_.erase(found);
    }
}

QSizeF TLineLayout::Size() const {
    ensureEstimates();
    const Totals::Sum total = records_.Total();
    const qreal height = fromFixed(total.height) + 2 * margin_;
    if (wraps()) {
        return {pageWidth_, height};
    }
    return {std::max(pageWidth_, total.widest + 2 * margin_), height};
}

size_t TLineLayout::LineAt(qreal y) const {
    ensureEstimates();
    if (records_.Empty()) {
        return 0;
    }
    const auto at = static_cast<std::int64_t>(std::floor((y - margin_) * kFixed));
    const auto hit = records_.Find([at](const Totals::Sum& s) { return s.height > at; });
    return std::min(hit.index, records_.Size() - 1);
}

qreal TLineLayout::TopOf(size_t line) const {
    ensureEstimates();
    return margin_ + fromFixed(records_.Prefix(std::min(line, records_.Size())).height);
}

qreal TLineLayout::HeightOf(size_t line) const {
    ensureEstimates();
    return line < records_.Size() ? fromFixed(records_.At(line).height) : 0;
}

void TLineLayout::forgetLine(size_t line) {
    if (auto found = cache_.find(line); found != cache_.end()) {
        cachedBytes_ -= found->second.laidOut->bytes.size();
        lru_.erase(found->second.used);
        cache_.erase(found);
    }
}

void TLineLayout::forgetLines() {
    cache_.clear();
    lru_.clear();
    cachedBytes_ = 0;
}

std::unique_ptr<TLineLayout::TLaidOut> TLineLayout::layOut(size_t line, size_t from, size_t to,
                                                           Qt::Alignment alignment, bool wrap,
                                                           qreal width) const {
    TLineSource::TShown shown;
    source_.ShownText(line, from, to, shown);
    auto out = std::make_unique<TLaidOut>(shown.text, font_, device_);
    out->bytes = std::move(shown.bytes);
    out->start = from;
    out->unicode = shown.unicode;
    QTextLayout& layout = out->layout;
    layout.setFormats(shown.formats);
    QTextOption option;
    option.setTabStopDistance(tabStop_);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setAlignment(alignment);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
        l.setLeadingIncluded(true);
        l.setLineWidth(width);
        l.setPosition(QPointF(0, y));
        y += l.height();
    }
    layout.endLayout();
    return out;
}

void TLineLayout::setRecord(size_t line, const Record& record) {
    const Record old = records_.At(line);
    records_.Set(line, record);
    if (old.height != record.height && HeightChanged) {
        HeightChanged(TopOf(line) + fromFixed(old.height), fromFixed(record.height - old.height));
    }
}

TLineLayout::TLaidOut& TLineLayout::shortLine(size_t line) {
    ensureEstimates();
    auto found = cache_.find(line);
    if (found != cache_.end()) {
        const QTextLayout& layout = found->second.laidOut->layout;
        // Unwrapped lines not aligned left move with the width they align in.
        const bool current = wraps() || alignedLeft(layout.textOption().alignment()) ||
                             layout.lineAt(0).width() == alignWidth();
        if (current && records_.At(line).width != kEstimated) {
            lru_.splice(lru_.begin(), lru_, found->second.used);
            return *found->second.laidOut;
        }
        forgetLine(line);
    }
    const size_t bytes = lengthOf(line);
    auto laidOut = layOut(line, 0, bytes, source_.LineAlignment(line), wraps(), alignWidth());
    ++laidOut_;
    qreal height = 0;
    qreal widest = 0;
    for (int i = 0; i < laidOut->layout.lineCount(); ++i) {
        const QTextLine l = laidOut->layout.lineAt(i);
        height += l.height();
        widest = std::max(widest, l.naturalTextWidth());
    }
    setRecord(line,
              Record{std::max(1, toFixed(height)),
                     static_cast<std::int32_t>(std::min<qreal>(std::ceil(widest), INT32_MAX))});
    lru_.push_front(line);
    TLaidOut& raw = *laidOut;
    cache_.emplace(line, Cached{std::move(laidOut), lru_.begin()});
    cachedBytes_ += bytes;
    while (cache_.size() > 1 && (cache_.size() > kKeptLines || cachedBytes_ > kKeptBytes)) {
        forgetLine(lru_.back());
    }
    return raw;
}

TLongLine& TLineLayout::longLine(size_t line) {
    ensureEstimates();
    auto found = long_.find(line);
    if (found == long_.end()) {
        if (long_.size() >= kKeptLong) {
            auto oldest = std::min_element(long_.begin(), long_.end(), [](auto& a, auto& b) {
                return a.second->used < b.second->used;
            });
            long_.erase(oldest);
        }
        found = long_.emplace(line, std::make_unique<TLongLine>(*this, line)).first;
    }
    found->second->used = ++longClock_;
    return *found->second;
}

void TLineLayout::settleLong(size_t line) {
    const TLongLine& l = longLine(line);
    const Record old = records_.At(line);
    const Record now{
        std::max(1, toFixed(l.Height())),
        wraps() ? 0 : static_cast<std::int32_t>(std::min<qreal>(std::ceil(l.Width()), INT32_MAX)),
    };
    if (now.height != old.height || now.width != old.width) {
        setRecord(line, now);
    }
}

void TLineLayout::ensureLaidOut(size_t line) {
    if (isLong(line)) {
        settleLong(line);
    } else {
        shortLine(line);
    }
}

void TLineLayout::LayOutBetween(qreal top, qreal bottom, qreal left, qreal right) {
    ensureEstimates();
    for (size_t line = LineAt(top); line < records_.Size() && TopOf(line) < bottom; ++line) {
        if (isLong(line)) {
            const qreal at = TopOf(line);
            longLine(line).LayOutSpan(line, wraps() ? top - at : left - margin_,
                                      wraps() ? bottom - at : right - margin_);
        }
        ensureLaidOut(line);
    }
}

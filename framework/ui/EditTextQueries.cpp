// The text's pieces: how bytes are cut into them and counted, and the line
// and character queries that find a piece in the tree and then look inside
// it (at most Shown::kMaxPiece bytes).
#include "framework/Utf8.h"
#include "framework/ui/EditText.h"
#include "framework/ui/EditTextCount.h"

#include <algorithm>
#include <cstring>

using EditTextCount::CountEnds;
using EditTextCount::TEndCounts;

namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Sixteen bytes at a time in the compiler's portable vectors: a load is one
// pass over every byte, and this is nearly all of it.
using TBytes16 = unsigned char __attribute__((vector_size(16)));

TBytes16 splat(unsigned char c) {
    TBytes16 v;
    std::memset(&v, c, sizeof v);
    return v;
}

} // namespace

EditTextCount::TEndCounts EditTextCount::CountEnds(const char* p, std::size_t n) {
    TEndCounts out;
    const TBytes16 lfs = splat('\n');
    const TBytes16 crs = splat('\r');
    TBytes16 high{};
    std::size_t i = 0;
    // i < limit keeps the load at i + 1 inside too.
    const std::size_t limit = n > 16 ? n - 16 : 0;
    while (i < limit) {
        TBytes16 lf{};
        TBytes16 cr{};
        TBytes16 pairs{};
        // At most 255 rounds, so that no lane overflows.
        const std::size_t chunkEnd = std::min(limit, i + 16 * 255);
        for (; i < chunkEnd; i += 16) {
            TBytes16 a;
            TBytes16 b;
            std::memcpy(&a, p + i, 16);
            std::memcpy(&b, p + i + 1, 16);
            const auto isCr = reinterpret_cast<TBytes16>(a == crs);
            lf -= reinterpret_cast<TBytes16>(a == lfs);
            cr -= isCr;
            pairs -= isCr & reinterpret_cast<TBytes16>(b == lfs);
            high |= a;
        }
        for (int k = 0; k < 16; ++k) {
            out.lf += lf[k];
            out.cr += cr[k];
            out.pairs += pairs[k];
        }
    }
    unsigned char any = 0;
    for (int k = 0; k < 16; ++k) {
        any |= high[k];
    }
    for (; i < n; ++i) {
        const char c = p[i];
        out.lf += c == '\n' ? 1 : 0;
        out.cr += c == '\r' ? 1 : 0;
        out.pairs += c == '\r' && i + 1 < n && p[i + 1] == '\n' ? 1 : 0;
        any |= static_cast<unsigned char>(c);
    }
    out.ascii = (any & 0x80) == 0;
    return out;
}

namespace {

struct TLineEndIn {
    std::size_t bodyEnd;
    std::size_t end;
    Shown::LineEnd kind;
};

// The k-th line end (from 1) in bytes that hold at least k.
TLineEndIn nthLineEnd(std::string_view bytes, std::size_t k) {
    const char* const data = bytes.data();
    const std::size_t n = bytes.size();
    const auto find = [&](char c, std::size_t from) {
        const void* hit = from < n ? std::memchr(data + from, c, n - from) : nullptr;
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : n;
    };
    std::size_t nextCr = find('\r', 0);
    std::size_t nextLf = find('\n', 0);
    std::size_t start = 0;
    for (;;) {
        if (nextCr < start) {
            nextCr = find('\r', start);
        }
        if (nextLf < start) {
            nextLf = find('\n', start);
        }
        const std::size_t at = std::min(nextCr, nextLf);
        TLineEndIn end{at, at + 1, Shown::LineEnd::LF};
        if (at >= n) {
            return {n, n, Shown::LineEnd::None}; // not reached while k is right
        }
        if (data[at] == '\r') {
            const bool crlf = at + 1 < n && data[at + 1] == '\n';
            end = {at, at + (crlf ? 2 : 1), crlf ? Shown::LineEnd::CRLF : Shown::LineEnd::CR};
        }
        if (--k == 0) {
            return end;
        }
        start = end.end;
    }
}

} // namespace

TEditText::Pieces::Hit TEditText::pieceHit(std::size_t byte) const {
    const auto at = static_cast<std::int64_t>(byte);
    return pieces_.Find([at](const PieceTotals::Sum& s) { return s.bytes > at; });
}

TEditText::LineEndAt TEditText::lineEnd(std::size_t line) const {
    const auto want = static_cast<std::int64_t>(line) + 1;
    const auto hit = pieces_.Find([want](const PieceTotals::Sum& s) { return s.breaks >= want; });
    if (hit.index == pieces_.Size()) {
        return {Size(), Size(), LineEnd::None};
    }
    const auto start = static_cast<std::size_t>(hit.before.bytes);
    const auto in = nthLineEnd(bytes_.View(start, pieces_.At(hit.index).bytes),
                               static_cast<std::size_t>(want - hit.before.breaks));
    return {start + in.bodyEnd, start + in.end, in.kind};
}

std::size_t TEditText::LineOf(std::size_t byte) const {
    const auto hit = pieceHit(byte);
    const auto before = static_cast<std::size_t>(hit.before.breaks);
    const auto start = static_cast<std::size_t>(hit.before.bytes);
    if (hit.index == pieces_.Size() || byte == start) {
        return before;
    }
    // The line ends that end at or before the byte (the byte is inside the
    // piece), counted from the nearer end of the piece.
    const std::size_t into = byte - start;
    const Piece& p = pieces_.At(hit.index);
    if (into > p.bytes / 2) {
        // A CR LF around the byte is counted after it, by its LF.
        const std::string_view v = bytes_.View(byte, p.bytes - into);
        return before + p.breaks - CountEnds(v.data(), v.size()).Breaks();
    }
    const std::string_view v = bytes_.View(start, into + 1);
    const bool inCrLf = v[into - 1] == '\r' && v[into] == '\n';
    return before + CountEnds(v.data(), into).Breaks() - (inCrLf ? 1 : 0);
}

std::size_t TEditText::LineStart(std::size_t line) const {
    return line == 0 ? 0 : lineEnd(line - 1).end;
}

std::size_t TEditText::LineBodyEnd(std::size_t line) const {
    return lineEnd(line).bodyEnd;
}

TEditText::LineEnd TEditText::LineEndKind(std::size_t line) const {
    return lineEnd(line).kind;
}

TEditText::LineEnd TEditText::OwnLineEnd() const {
    const LineEnd kind = LineEndKind(0);
    return kind == LineEnd::None ? LineEnd::LF : kind;
}

TEditText::TPiece TEditText::PieceAt(std::size_t byte) const {
    if (pieces_.Empty()) {
        return {};
    }
    byte = std::min(byte, Size() - 1);
    const auto hit = pieceHit(byte);
    const auto start = static_cast<std::size_t>(hit.before.bytes);
    const std::string_view v = bytes_.View(start, pieces_.At(hit.index).bytes);
    const std::size_t off = byte - start;
    std::size_t from = off;
    while (from > 0 && v[from - 1] != '\n' && (v[from - 1] != '\r' || v[from] == '\n')) {
        --from;
    }
    if (off > 0 && v[off - 1] == '\r' && v[off] == '\n') {
        return {start + from, start + off + 1, LineEnd::CRLF};
    }
    const auto found = std::find_if(v.begin() + static_cast<std::ptrdiff_t>(off), v.end(),
                                    [](char c) { return c == '\n' || c == '\r'; });
    const auto at = static_cast<std::size_t>(found - v.begin());
    if (at == v.size()) {
        return {start + from, start + v.size(), LineEnd::None};
    }
    if (v[at] == '\n') {
        return {start + from, start + at + 1, LineEnd::LF};
    }
    const bool crlf = at + 1 < v.size() && v[at + 1] == '\n';
    return {start + from, start + at + (crlf ? 2 : 1), crlf ? LineEnd::CRLF : LineEnd::CR};
}

std::size_t TEditText::CharBoundary(std::size_t byte, bool forward) const {
    if (byte == 0 || byte >= Size()) {
        return std::min(byte, Size());
    }
    const auto hit = pieceHit(byte);
    const Piece& p = pieces_.At(hit.index);
    const auto start = static_cast<std::size_t>(hit.before.bytes);
    if (byte == start) {
        return byte;
    }
    const std::size_t end = start + p.bytes;
    const char here = bytes_.At(byte);
    if (here == '\n' && bytes_.At(byte - 1) == '\r') {
        return forward ? byte + 1 : byte - 1;
    }
    if (!unicode_ || !isContinuation(here)) {
        return byte;
    }
    // Pieces are cut between characters, so the sequence lies in this one.
    const std::size_t back = std::min<std::size_t>(3, byte - start);
    const std::string_view near =
        bytes_.View(byte - back, std::min<std::size_t>(end, byte + 4) - (byte - back));
    for (std::size_t k = 1; k <= back; ++k) {
        if (!isContinuation(near[back - k])) {
            const int length = Utf8::SequenceLength(near, back - k);
            if (static_cast<std::size_t>(length) > k) {
                return forward ? byte - k + static_cast<std::size_t>(length) : byte - k;
            }
            break;
        }
    }
    return byte;
}

std::size_t TEditText::CharsBetween(std::size_t from, std::size_t to) const {
    const auto charsBefore = [this](std::size_t byte) -> std::size_t {
        const auto hit = pieceHit(byte);
        const auto start = static_cast<std::size_t>(hit.before.bytes);
        const auto before = static_cast<std::size_t>(hit.before.chars);
        if (hit.index == pieces_.Size() || byte == start) {
            return before;
        }
        // A byte inside a CR LF counts it whole, as its CR alone.
        const std::string_view v = bytes_.View(start, byte - start);
        return before + countChars(v) - CountEnds(v.data(), v.size()).pairs;
    };
    to = std::min(to, Size());
    from = std::min(from, to);
    return charsBefore(to) - charsBefore(from);
}

std::uint32_t TEditText::countChars(std::string_view body) const {
    if (!unicode_) {
        return static_cast<std::uint32_t>(body.size());
    }
    const std::size_t n = body.size();
    const char* data = body.data();
    std::uint32_t chars = 0;
    std::size_t i = 0;
    while (i < n) {
        // Runs of ASCII eight bytes at a time.
        std::uint64_t word = 0;
        if (i + 8 <= n && (std::memcpy(&word, data + i, 8), (word & 0x8080808080808080ull) == 0)) {
            chars += 8;
            i += 8;
            continue;
        }
        const int length =
            static_cast<unsigned char>(data[i]) < 0x80 ? 1 : Utf8::SequenceLength(body, i);
        i += length > 0 ? static_cast<std::size_t>(length) : 1;
        ++chars;
    }
    return chars;
}

void TEditText::cut(std::string_view bytes, std::vector<Piece>& out, bool even) const {
    const char* const data = bytes.data();
    const std::size_t n = bytes.size();
    out.reserve(out.size() + n / Shown::kMaxPiece + 2);
    std::size_t start = 0;
    while (start < n) {
        const std::size_t left = n - start;
        std::size_t end = n;
        if (left > Shown::kMaxPiece) {
            // Evenly, so that an edit leaves no small piece behind; a load
            // takes full pieces.
            const std::size_t count = (left + Shown::kMaxPiece - 1) / Shown::kMaxPiece;
            end = start + (even ? (left + count - 1) / count : Shown::kMaxPiece);
            if (unicode_) {
                for (std::size_t k = 1; k <= 3; ++k) {
                    if (!isContinuation(data[end - k])) {
                        if (Utf8::SequenceLength(bytes, end - k) > static_cast<int>(k)) {
                            end -= k;
                        }
                        break;
                    }
                }
            }
            if (data[end - 1] == '\r' && data[end] == '\n') {
                --end;
            }
        }
        const std::string_view piece = bytes.substr(start, end - start);
        const TEndCounts c = CountEnds(piece.data(), piece.size());
        const std::size_t chars = !unicode_ || c.ascii ? piece.size() : countChars(piece);
        // A CR at the end of a piece is never followed by an LF.
        out.push_back({static_cast<std::uint32_t>(piece.size()),
                       static_cast<std::uint32_t>(chars - c.pairs),
                       static_cast<std::uint32_t>(c.Breaks())});
        start = end;
    }
}

bool TEditText::isLineStart(std::size_t at) const {
    if (at == 0) {
        return true;
    }
    if (at > Size()) {
        return false;
    }
    const char before = bytes_.At(at - 1);
    return before == '\n' || (before == '\r' && (at == Size() || bytes_.At(at) != '\n'));
}

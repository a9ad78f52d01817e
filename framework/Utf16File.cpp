#include "framework/Utf16File.h"

#include "framework/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Utf16 {
namespace {

bool IsSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDFFF;
}
bool IsHigh(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
// The lone low surrogates that stand for one ill-formed byte each.
bool StandsForByte(char32_t u) {
    return u >= 0xDC80 && u <= 0xDCFF;
}

unsigned char ByteAt(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

// The surrogate whose 3-byte form (ED A0..BF 80..BF) starts at `at`, or 0.
char32_t SurrogateForm(std::string_view text, std::size_t at) {
    if (at + 2 >= text.size() || ByteAt(text, at) != 0xED) {
        return 0;
    }
    const unsigned char b1 = ByteAt(text, at + 1);
    const unsigned char b2 = ByteAt(text, at + 2);
    if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) {
        return 0;
    }
    return 0xD000 | (static_cast<char32_t>(b1 & 0x3F) << 6) | (b2 & 0x3F);
}

// The units of a text, in order: a character gives its units, the 3-byte
// form of a surrogate gives that surrogate, any other ill-formed byte b
// gives U+DC00 + b. A run of high-surrogate forms that something other than
// a character or the end follows is written byte by byte instead, since as
// surrogates it would pair with the low surrogate after it into another
// character.
template <class Emit> void ForEachUnit(std::string_view text, Emit&& emit) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = ByteAt(text, i);
        if (b < 0x80) {
            emit(b);
            ++i;
            continue;
        }
        const int length = Utf8::SequenceLength(text, i);
        if (length > 0) {
            char32_t cp = Utf8::Decode(text, i, length);
            if (cp >= 0x10000) {
                cp -= 0x10000;
                emit(0xD800 + (cp >> 10));
                emit(0xDC00 + (cp & 0x3FF));
            } else {
                emit(cp);
            }
            i += static_cast<std::size_t>(length);
            continue;
        }
        const char32_t surrogate = SurrogateForm(text, i);
        if (surrogate == 0) {
            emit(0xDC00 + b);
            ++i;
            continue;
        }
        if (!IsHigh(surrogate)) {
            emit(surrogate);
            i += 3;
            continue;
        }
        std::size_t end = i;
        while (IsHigh(SurrogateForm(text, end))) {
            end += 3;
        }
        if (end == n || Utf8::SequenceLength(text, end) > 0) {
            for (std::size_t k = i; k < end; k += 3) {
                emit(SurrogateForm(text, k));
            }
        } else {
            for (std::size_t k = i; k < end; ++k) {
                emit(0xDC00 + ByteAt(text, k));
            }
        }
        i = end;
    }
}

// True when the bytes, written as units, give U+DC00 + each byte again:
// then a run of lone U+DC80..U+DCFF can be read as these bytes.
bool WritesBackByteForByte(std::string_view bytes) {
    std::size_t k = 0;
    bool same = true;
    ForEachUnit(bytes, [&](char32_t u) {
        same = same && k < bytes.size() && u == 0xDC00u + ByteAt(bytes, k);
        ++k;
    });
    return same && k == bytes.size();
}

// Writes into a string grown ahead in blocks, so that a byte costs a store
// and not a capacity check of its own.
class TByteWriter {
public:
    explicit TByteWriter(std::string& out, std::size_t expected) : out_(out) {
        out_.reserve(out_.size() + expected);
        used_ = out_.size();
    }
    ~TByteWriter() { out_.resize(used_); }
    TByteWriter(const TByteWriter&) = delete;
    TByteWriter& operator=(const TByteWriter&) = delete;

    // Room for `count` more bytes at the returned pointer; Advance tells how
    // many were written.
    char* Room(std::size_t count) {
        if (out_.size() - used_ < count) {
            out_.resize(used_ + std::max<std::size_t>(count, 1 << 16));
        }
        return out_.data() + used_;
    }
    void Advance(std::size_t count) { used_ += count; }
    std::size_t Used() const { return used_; }
    void Truncate(std::size_t used) { used_ = used; }

private:
    std::string& out_;
    std::size_t used_ = 0;
};

template <bool BigEndian> char32_t UnitAt(const unsigned char* p, std::size_t i) {
    return BigEndian ? (static_cast<char32_t>(p[2 * i]) << 8) | p[2 * i + 1]
                     : (static_cast<char32_t>(p[2 * i + 1]) << 8) | p[2 * i];
}

std::size_t PutUtf8(char* dst, char32_t cp) {
    if (cp < 0x80) {
        dst[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        dst[0] = static_cast<char>(0xC0 | (cp >> 6));
        dst[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        dst[0] = static_cast<char>(0xE0 | (cp >> 12));
        dst[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        dst[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    dst[0] = static_cast<char>(0xF0 | (cp >> 18));
    dst[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    dst[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    dst[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

template <bool BigEndian> std::string Decode(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size() / 2;
    std::string out;
    {
        TByteWriter writer(out, n + n / 4);
        std::size_t i = 0;
        while (i < n) {
            // Four ASCII units at a time.
            if (i + 4 <= n) {
                const char32_t a = UnitAt<BigEndian>(p, i), b = UnitAt<BigEndian>(p, i + 1),
                               c = UnitAt<BigEndian>(p, i + 2), d = UnitAt<BigEndian>(p, i + 3);
                if ((a | b | c | d) < 0x80) {
                    char* dst = writer.Room(4);
                    dst[0] = static_cast<char>(a);
                    dst[1] = static_cast<char>(b);
                    dst[2] = static_cast<char>(c);
                    dst[3] = static_cast<char>(d);
                    writer.Advance(4);
                    i += 4;
                    continue;
                }
            }
            const char32_t u = UnitAt<BigEndian>(p, i);
            if (!IsSurrogate(u)) {
                writer.Advance(PutUtf8(writer.Room(4), u));
                ++i;
                continue;
            }
            if (IsHigh(u) && i + 1 < n && IsLow(UnitAt<BigEndian>(p, i + 1))) {
                const char32_t cp =
                    0x10000 + ((u - 0xD800) << 10) + (UnitAt<BigEndian>(p, i + 1) - 0xDC00);
                writer.Advance(PutUtf8(writer.Room(4), cp));
                i += 2;
                continue;
            }
            if (!StandsForByte(u)) {
                writer.Advance(PutUtf8(writer.Room(4), u)); // the lone surrogate's 3-byte form
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < n && StandsForByte(UnitAt<BigEndian>(p, end))) {
                ++end;
            }
            const std::size_t start = writer.Used();
            char* dst = writer.Room(3 * (end - i));
            for (std::size_t k = i; k < end; ++k) {
                dst[k - i] = static_cast<char>(UnitAt<BigEndian>(p, k) - 0xDC00);
            }
            // Bytes that would join into a character or a surrogate form keep
            // their surrogates' 3-byte forms instead.
            if (WritesBackByteForByte(std::string_view(dst, end - i))) {
                writer.Advance(end - i);
            } else {
                for (std::size_t k = i; k < end; ++k) {
                    dst += PutUtf8(dst, UnitAt<BigEndian>(p, k));
                }
                writer.Advance(static_cast<std::size_t>(dst - (out.data() + start)));
            }
            i = end;
        }
    }
    return out;
}

template <bool BigEndian> void Encode(std::string& out, std::string_view text) {
    TByteWriter writer(out, 2 * text.size());
    const char* src = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    const auto emit = [&](char32_t u) {
        char* dst = writer.Room(2);
        dst[BigEndian ? 0 : 1] = static_cast<char>(u >> 8);
        dst[BigEndian ? 1 : 0] = static_cast<char>(u & 0xFF);
        writer.Advance(2);
    };
    while (i < n) {
        // ASCII runs word by word; the rest, up to the next ASCII byte, unit by unit.
        std::uint64_t word;
        while (i + 8 <= n &&
               (std::memcpy(&word, src + i, 8), (word & 0x8080808080808080ULL) == 0)) {
            char* dst = writer.Room(16);
            for (int k = 0; k < 8; ++k) {
                dst[2 * k + (BigEndian ? 1 : 0)] = src[i + k];
                dst[2 * k + (BigEndian ? 0 : 1)] = 0;
            }
            writer.Advance(16);
            i += 8;
        }
        std::size_t end = i;
        while (end < n && static_cast<unsigned char>(src[end]) >= 0x80) {
            ++end;
        }
        if (end == i && i < n) {
            emit(static_cast<unsigned char>(src[i]));
            ++i;
            continue;
        }
        // A run of non-ASCII bytes ends before ASCII, which is well-formed, so
        // the run is a text of its own as far as ForEachUnit is concerned.
        ForEachUnit(text.substr(i, end - i), emit);
        i = end;
    }
}

} // namespace

std::string ToUtf8(std::string_view bytes, bool bigEndian) {
    return bigEndian ? Decode<true>(bytes) : Decode<false>(bytes);
}

void AppendFromUtf8(std::string& out, std::string_view text, bool bigEndian) {
    if (bigEndian) {
        Encode<true>(out, text);
    } else {
        Encode<false>(out, text);
    }
}

} // namespace Utf16

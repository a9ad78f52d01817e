#include "net/Nmuue.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::array<char, 64> makeBase64Table() {
    std::array<char, 64> t{};
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < 64; ++i) {
        t[i] = alphabet[i];
    }
    return t;
}

constexpr std::array<char, 64> makeUuTable() {
    std::array<char, 64> t{};
    t[0] = '`';
    for (size_t i = 1; i < 64; ++i) {
        t[i] = static_cast<char>(32 + i);
    }
    return t;
}

constexpr std::array<unsigned char, 80> makeMimeTable() {
    std::array<unsigned char, 80> t{};
    for (auto& v : t) {
        v = 127;
    }
    const auto b64 = makeBase64Table();
    for (size_t i = 0; i < 64; ++i) {
        t[static_cast<size_t>(b64[i] - '+')] = static_cast<unsigned char>(i);
    }
    t['=' - '+'] = 64;
    return t;
}

constexpr size_t lineBytes = 45;
// Input is read in whole lines' worth at a time; only the last line of the
// stream can be shorter than 45 bytes.
constexpr size_t blockLines = 1456;

// The value of a Base64 character: 0..63, 64 for "=", 127 for anything else.
unsigned char mimeValue(unsigned char c) {
    return (c >= '+' && c <= 'z') ? MimeTable[static_cast<size_t>(c - '+')] : 127;
}

} // namespace

const std::array<char, 64> base64Table = makeBase64Table();
const std::array<char, 64> UUTABLE = makeUuTable();
const std::array<unsigned char, 80> MimeTable = makeMimeTable();

void TNMUUProcessor::fire(const TNotifyEvent& event) {
    if (event) {
        event(this);
    }
}

TStream& TNMUUProcessor::input() {
    if (InputStream == nullptr) {
        throw Exception("No input stream");
    }
    return *InputStream;
}

TStream& TNMUUProcessor::output() {
    if (OutputStream == nullptr) {
        throw Exception("No output stream");
    }
    return *OutputStream;
}

void TNMUUProcessor::SetEncodeTable() {
    encodeTable_ = Method == uuCode ? UUTABLE : base64Table;
}

void TNMUUProcessor::Encode() {
    TStream& in = input();
    TStream& out = output();
    in.SetPosition(0);
    fire(OnBeginEncode);
    SetEncodeTable();
    const bool mime = Method == uuMime;
    const auto& t = encodeTable_;

    // Each block of whole lines is encoded straight into a buffer sized for
    // it (a length character, 60 characters and CR LF a line at most).
    // Two characters at once for each 12 bits.
    std::array<char, 8192> pairs;
    for (size_t i = 0; i < 4096; ++i) {
        pairs[2 * i] = t[i >> 6];
        pairs[2 * i + 1] = t[i & 63];
    }
    std::vector<unsigned char> block(lineBytes * blockLines);
    std::vector<char> text(blockLines * 63);
    if (auto* memory = dynamic_cast<TMemoryStream*>(&out)) {
        // the size of the text is known: made in place, it is never moved
        const std::int64_t bytes = in.Size();
        const std::int64_t lines = (bytes + lineBytes - 1) / lineBytes + 1;
        memory->Reserve(memory->Position() + lines * (mime ? 62 : 63));
    }
    for (;;) {
        const std::int64_t got = in.Read(block.data(), static_cast<std::int64_t>(block.size()));
        if (got <= 0) {
            break;
        }
        char* o = text.data();
        for (size_t start = 0; start < static_cast<size_t>(got); start += lineBytes) {
            const size_t n = std::min(lineBytes, static_cast<size_t>(got) - start);
            const unsigned char* b = block.data() + start;
            if (!mime) {
                *o++ = t[n & 63];
            }
            size_t i = 0;
            for (; i + 3 <= n; i += 3) {
                const unsigned v = (unsigned{b[i]} << 16) | (unsigned{b[i + 1]} << 8) | b[i + 2];
                std::memcpy(o, &pairs[2 * (v >> 12)], 2);
                std::memcpy(o + 2, &pairs[2 * (v & 4095)], 2);
                o += 4;
            }
            if (n - i == 2) {
                *o++ = t[b[i] >> 2];
                *o++ = t[((b[i] & 3) << 4) | (b[i + 1] >> 4)];
                *o++ = t[(b[i + 1] & 15) << 2];
                if (mime) {
                    *o++ = '=';
                }
            } else if (n - i == 1) {
                *o++ = t[b[i] >> 2];
                *o++ = t[(b[i] & 3) << 4];
                if (mime) {
                    *o++ = '=';
                    *o++ = '=';
                }
            }
            *o++ = '\r';
            *o++ = '\n';
        }
        out.WriteBuffer(text.data(), o - text.data());
        if (static_cast<size_t>(got) < block.size()) {
            break;
        }
    }
    if (!mime) {
        out.WriteString(std::string(1, t[0]) + "\r\n");
    }
    out.SetPosition(0);
    fire(OnEndEncode);
}

void TNMUUProcessor::Decode() {
    fire(OnBeginDecode);
    if (Method == uuCode) {
        StdDecode();
    } else {
        Base64Decode();
    }
    fire(OnEndDecode);
}

bool TNMUUProcessor::ReadLnFromStream(TStream& stream, std::string& line) {
    line.clear();
    char window[200];
    bool any = false;
    for (;;) {
        const std::int64_t got = stream.Read(window, sizeof window);
        if (got <= 0) {
            break;
        }
        any = true;
        const char* end = window + got;
        const char* lf = std::find(static_cast<const char*>(window), end, '\n');
        if (lf != end) {
            line.append(window, static_cast<size_t>(lf - window));
            // back to just after the LF
            stream.Seek(-(end - lf - 1), TSeekOrigin::Current);
            break;
        }
        line.append(window, static_cast<size_t>(got));
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return any;
}

void TNMUUProcessor::StdDecode() {
    TStream& in = input();
    TStream& out = output();
    std::string line;
    std::string bytes;
    while (ReadLnFromStream(in, line)) {
        if (line.size() <= 2) {
            continue;
        }
        const size_t count = UuDEC(line[0]);
        bytes.clear();
        // Each group of four characters gives three bytes; characters missing
        // at the end of a short line give no bytes.
        for (size_t i = 1; i < line.size() && bytes.size() < count; i += 4) {
            unsigned char v[4] = {0, 0, 0, 0};
            const size_t have = std::min<size_t>(4, line.size() - i);
            for (size_t k = 0; k < have; ++k) {
                v[k] = UuDEC(line[i + k]);
            }
            const unsigned char b[3] = {static_cast<unsigned char>((v[0] << 2) | (v[1] >> 4)),
                                        static_cast<unsigned char>((v[1] << 4) | (v[2] >> 2)),
                                        static_cast<unsigned char>((v[2] << 6) | v[3])};
            const size_t decodable = have * 6 / 8;
            for (size_t k = 0; k < decodable && bytes.size() < count; ++k) {
                bytes += static_cast<char>(b[k]);
            }
        }
        out.WriteString(bytes);
    }
}

void TNMUUProcessor::Base64Decode() {
    TStream& in = input();
    TStream& out = output();
    std::string line;
    std::string bytes;
    unsigned char group[4];
    size_t have = 0;
    while (ReadLnFromStream(in, line)) {
        if (line.size() <= 2 || line.compare(0, 4, "====") == 0) {
            continue;
        }
        bytes.clear();
        for (const char ch : line) {
            const unsigned char v = mimeValue(static_cast<unsigned char>(ch));
            if (v == 127) {
                continue;
            }
            group[have++] = v;
            if (have < 4) {
                continue;
            }
            have = 0;
            if (group[0] == 64 || group[1] == 64) {
                continue; // padding too early: no byte can come of this group
            }
            bytes += static_cast<char>((group[0] << 2) | (group[1] >> 4));
            if (group[2] == 64) {
                continue;
            }
            bytes += static_cast<char>((group[1] << 4) | (group[2] >> 2));
            if (group[3] == 64) {
                continue;
            }
            bytes += static_cast<char>((group[2] << 6) | group[3]);
        }
        out.WriteString(bytes);
    }
}

namespace {

// Runs one operation of a processor from a text in memory to another.
std::string processString(const std::string& input, UUMethods method,
                          void (TNMUUProcessor::*operation)()) {
    TMemoryStream in(input);
    TMemoryStream out;
    TNMUUProcessor p;
    p.Method = method;
    p.InputStream = &in;
    p.OutputStream = &out;
    (p.*operation)();
    return out.DataString();
}

} // namespace

std::string UUEncodeString(const std::string& bytes, UUMethods method) {
    return processString(bytes, method, &TNMUUProcessor::Encode);
}

std::string UUDecodeString(const std::string& text, UUMethods method) {
    return processString(text, method, &TNMUUProcessor::Decode);
}

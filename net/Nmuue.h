#pragma once

#include "framework/Streams.h"

#include <QObject>
#include <array>
#include <functional>
#include <string>

enum UUMethods { uuMime, uuCode };

// The Base64 alphabet (uuMime).
extern const std::array<char, 64> base64Table;
// The uuencode alphabet with the grave accent for 0 (uuCode).
extern const std::array<char, 64> UUTABLE;
// Base64 values of the characters "+" (43) to "z" (122): the alphabet's
// values, 64 for "=", 127 for a character outside the alphabet.
extern const std::array<unsigned char, 80> MimeTable;

// Turns the bytes of one stream into lines of printable text in another
// (Base64 or uuencoding), and back. The caller owns both streams.
class TNMUUProcessor : public QObject {
public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    explicit TNMUUProcessor(QObject* Owner = nullptr) : QObject(Owner) {}
    TNMUUProcessor(const TNMUUProcessor&) = delete;
    TNMUUProcessor& operator=(const TNMUUProcessor&) = delete;

    // Encodes the whole input stream: lines of at most 45 bytes' worth, each
    // ended by CR LF; uuCode adds a closing line of the grave accent. The
    // output is left at position 0.
    void Encode();
    // Decodes the input stream from its position by the current method.
    void Decode();

    void SetEncodeTable();
    static unsigned char UuDEC(char c) { return static_cast<unsigned char>((c - 32) & 63); }
    // The next line of the stream without its LF and a CR before it; false
    // when the stream is at its end.
    static bool ReadLnFromStream(TStream& stream, std::string& line);

    void Base64Decode();
    void StdDecode();

    UUMethods Method = uuMime;
    TStream* InputStream = nullptr;
    TStream* OutputStream = nullptr;

    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;
    TNotifyEvent OnBeginDecode;
    TNotifyEvent OnEndDecode;

private:
    void fire(const TNotifyEvent& event);
    TStream& input();
    TStream& output();

    std::array<char, 64> encodeTable_ = base64Table;
};

// Convenience over strings: the Encode output for these bytes, and Decode of
// a text.
std::string UUEncodeString(const std::string& bytes, UUMethods method = uuMime);
std::string UUDecodeString(const std::string& text, UUMethods method = uuMime);

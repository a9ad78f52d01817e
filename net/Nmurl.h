#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <string_view>

// Converts text to and from the URL encoding of form data. Only letters and
// digits pass unchanged, a space becomes "+", every other byte becomes "%XX".
class TNMURL : public QObject {
public:
    using TErrorEvent = std::function<void(QObject* Sender, const std::string& Operation,
                                           const std::string& ErrMsg)>;

    explicit TNMURL(QObject* Owner = nullptr) : QObject(Owner) {}
    TNMURL(const TNMURL&) = delete;
    TNMURL& operator=(const TNMURL&) = delete;

    // A conversion that fails fires OnError and gives back its input unchanged;
    // nothing is raised to the caller.
    std::string URLEncode(std::string_view text);
    std::string URLDecode(std::string_view text);

    std::string GetEncodeString() { return URLEncode(InputString); }
    std::string GetDecodeString() { return URLDecode(InputString); }

    std::string InputString;
    TErrorEvent OnError;

private:
    void fail(const char* operation, const std::string& message);
    // Runs conversion over text; a failure is told to OnError and gives text back.
    std::string convert(std::string_view text, const char* operation,
                        std::string (*conversion)(std::string_view));
};

// The same conversions without a component; the decoder raises on a "%" that
// is not followed by two hexadecimal digits.
std::string UrlEncodeBytes(std::string_view text);
std::string UrlDecodeBytes(std::string_view text);

// The update check's reading of the update server's body: a yes or no only
// for one number between spaces, compared as a float; otherwise the
// conversion error, quoting a bounded part of the body.
#include "framework/Exceptions.h"
#include "web/WebText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    bool newer = false;
    try {
        newer = UpdateAvailable(body);
    } catch (const EConvertError& error) {
        const std::string& message = error.Message();
        if (body.empty() || message.size() > QuotedBodyLimit + 64 || message[0] != '\'') {
            std::abort();
        }
        return 0;
    }
    if (body.empty()) {
        if (newer) {
            std::abort();
        }
        return 0;
    }
    // Accepted: a number with nothing but spaces around it.
    const std::size_t first = body.find_first_not_of(' ');
    const std::size_t last = body.find_last_not_of(' ');
    if (first == std::string::npos) {
        std::abort();
    }
    const std::string number = body.substr(first, last - first + 1);
    for (const char c : number) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) {
            std::abort();
        }
    }
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size()) {
        std::abort();
    }
    if (newer != (value > 3.4e38 || (value >= -3.4e38 && static_cast<float>(value) > 2.32f))) {
        std::abort();
    }
    return 0;
}

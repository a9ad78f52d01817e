#pragma once

#include <exception>
#include <string>

// The program's exceptions. Every command runs through the application's
// dispatch, which shows Message() of whatever escapes in the error box.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// An index outside the valid range of a counted string or list.
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
};

// A text that does not hold the number it should.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

class EListError : public Exception {
public:
    using Exception::Exception;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Stream read error") {}
};

class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Stream write error") {}
};

class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& fileName)
        : EStreamError("Cannot open file " + fileName) {}
};

class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& fileName)
        : EStreamError("Cannot create file " + fileName) {}
};

#include "framework/Streams.h"

#include "framework/Exceptions.h"
#include "framework/LargeBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::int64_t TStream::Size() {
    const std::int64_t here = Position();
    const std::int64_t end = Seek(0, TSeekOrigin::End);
    Seek(here, TSeekOrigin::Beginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count > 0 && Read(buffer, count) != count) {
        throw EReadError();
    }
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count > 0 && Write(buffer, count) != count) {
        throw EWriteError();
    }
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<char> block(static_cast<size_t>(std::min<std::int64_t>(count, 1 << 16)));
    std::int64_t left = count;
    while (left > 0) {
        const std::int64_t n =
            std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()));
        source.ReadBuffer(block.data(), n);
        WriteBuffer(block.data(), n);
        left -= n;
    }
    return count;
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case TFileMode::OpenRead:
        flags |= O_RDONLY;
        break;
    case TFileMode::OpenWrite:
        flags |= O_WRONLY;
        break;
    case TFileMode::OpenReadWrite:
        flags |= O_RDWR;
        break;
    case TFileMode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    do {
        fd_ = ::open(fileName.c_str(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    if (fd_ < 0) {
        if (mode == TFileMode::Create) {
            throw EFCreateError(fileName);
        }
        throw EFOpenError(fileName);
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

namespace {

// Calls transfer(done, left) (a read or a write) until count bytes are
// done, the file ends or it fails; an interrupted call is made again.
template <class Transfer> std::int64_t transferAll(std::int64_t count, Transfer transfer) {
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = transfer(done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += n;
    }
    return done;
}

} // namespace

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    auto* p = static_cast<char*>(buffer);
    return transferAll(count,
                       [&](std::int64_t done, size_t left) { return ::read(fd_, p + done, left); });
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    const auto* p = static_cast<const char*>(buffer);
    return transferAll(
        count, [&](std::int64_t done, size_t left) { return ::write(fd_, p + done, left); });
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::Beginning ? SEEK_SET
                       : origin == TSeekOrigin::Current ? SEEK_CUR
                                                        : SEEK_END;
    const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
    return at < 0 ? -1 : static_cast<std::int64_t>(at);
}

void TFileStream::SetSize(std::int64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        throw EWriteError();
    }
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const auto size = static_cast<std::int64_t>(data_.size());
    const std::int64_t n = std::max<std::int64_t>(0, std::min(count, size - position_));
    if (n > 0) {
        std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
        position_ += n;
    }
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) {
        return 0;
    }
    const auto at = static_cast<size_t>(position_);
    const auto n = static_cast<size_t>(count);
    const size_t end = at + n;
    if (end > data_.capacity()) {
        // at least double, so that a stream written block by block is copied
        // a bounded number of times whatever its final size
        data_.reserve(std::max(end, 2 * data_.capacity()));
    }
    if (at > data_.size()) {
        data_.resize(at); // a position past the end leaves zeros between
    }
    // the part over existing bytes is overwritten, the rest appended without
    // first filling it with zeros
    const size_t over = std::min(n, data_.size() - at);
    std::memcpy(data_.data() + at, buffer, over);
    data_.append(static_cast<const char*>(buffer) + over, n - over);
    position_ += count;
    return count;
}

void TMemoryStream::Reserve(std::int64_t size) {
    if (size > 0) {
        LargeBuffer::Reserve(data_, static_cast<size_t>(size));
    }
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t base = origin == TSeekOrigin::Beginning ? 0
                              : origin == TSeekOrigin::Current
                                  ? position_
                                  : static_cast<std::int64_t>(data_.size());
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
    data_.resize(static_cast<size_t>(std::max<std::int64_t>(0, size)));
    position_ = std::min(position_, static_cast<std::int64_t>(data_.size()));
}

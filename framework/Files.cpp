#include "framework/Files.h"

#include "framework/Exceptions.h"
#include "framework/Progress.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local int lastError = 0;

[[noreturn]] void failOpen(const std::string& fileName) {
    lastError = errno;
    throw EFOpenError(fileName);
}

[[noreturn]] void failCreate(const std::string& fileName, int error) {
    lastError = error;
    throw EFCreateError(fileName);
}

// Writes in pieces, so that progress can be told between them.
constexpr size_t kWritePiece = size_t{1} << 20;

bool writeAll(int fd, std::string_view bytes, TProgress* progress) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.data() + done, std::min(bytes.size() - done, kWritePiece));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<size_t>(n);
        ReportProgress(progress, static_cast<double>(done) / static_cast<double>(bytes.size()));
    }
    return true;
}

// The file a path stands for, following symbolic links; the path itself when
// it does not exist yet.
std::string resolveTarget(const std::string& fileName) {
    std::string target = fileName;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return target;
        }
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf - 1);
        if (n < 0) {
            return target;
        }
        std::string link(buf, static_cast<size_t>(n));
        if (!link.empty() && link[0] != '/') {
            const size_t slash = target.rfind('/');
            link =
                (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + link;
        }
        target = link;
    }
    return target;
}

} // namespace

std::string ReadFileBytes(const std::string& fileName, TProgress* progress) {
    int fd;
    do {
        fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        failOpen(fileName);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        errno = error;
        failOpen(fileName);
    }
    std::string bytes;
    try {
        // Room past the bytes for the gap an edit buffer makes in them at
        // once (TGapBytes), so it grows in place rather than by a copy of
        // the whole file; pages never written take no memory.
        const size_t size = static_cast<size_t>(st.st_size > 0 ? st.st_size : 0);
        bytes.reserve(size + size / 32 + (size_t{64} << 10));
    } catch (...) {
        ::close(fd);
        throw;
    }
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            failOpen(fileName);
        }
        if (n == 0) {
            break;
        }
        try {
            bytes.append(block, static_cast<size_t>(n));
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (st.st_size > 0) {
            ReportProgress(progress,
                           static_cast<double>(bytes.size()) / static_cast<double>(st.st_size));
        }
    }
    ::close(fd);
    return bytes;
}

void WriteFileBytes(const std::string& fileName, std::string_view bytes, TProgress* progress) {
    const std::string target = resolveTarget(fileName);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        failCreate(fileName, EISDIR);
    }
    // Replacing the file through its directory would get past its own
    // protection; a file the user may not write stays as it is.
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        failCreate(fileName, errno);
    }
    const size_t slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : dir) + "." + base + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        failCreate(fileName, errno);
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    bool ok = writeAll(fd, bytes, progress) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        failCreate(fileName, error);
    }
}

std::string LastFileErrorReason() {
    return std::strerror(lastError);
}

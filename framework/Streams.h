#pragma once

#include <cstdint>
#include <string>

enum class TSeekOrigin { Beginning, Current, End };

// A stream of bytes with a position. Streams passed to a component belong to
// the caller.
class TStream {
public:
    virtual ~TStream() = default;

    // Read and Write move up to count bytes and return how many moved.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(std::int64_t size) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }
    std::int64_t Size();

    // All or nothing: raise EReadError / EWriteError when fewer bytes move.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    void WriteString(const std::string& s) {
        WriteBuffer(s.data(), static_cast<std::int64_t>(s.size()));
    }
    // Copies count bytes from source's position (count 0: the whole source from 0).
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// Open modes of a file stream.
enum class TFileMode {
    OpenRead,      // existing file, read only
    OpenWrite,     // existing file, write only
    OpenReadWrite, // existing file
    Create,        // create or truncate, read and write
};

// A file on disk. Opening raises EFOpenError, creating EFCreateError, naming the file.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;

    const std::string& FileName() const { return fileName_; }
    int Handle() const { return fd_; }

private:
    std::string fileName_;
    int fd_ = -1;
};

// Bytes held in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string data) : data_(std::move(data)) {}

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;

    // Makes room for size bytes in all, so that writing up to there moves
    // nothing (a writer that knows how much it will write says so).
    void Reserve(std::int64_t size);

    const std::string& DataString() const { return data_; }
    std::string& Data() { return data_; }

private:
    std::string data_;
    std::int64_t position_ = 0;
};

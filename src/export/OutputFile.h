// Byte sinks of the export writers: a buffered output file (one system call per 1 MiB, not per cell,
// each MiB handed to the disk at once) that keeps the first write error, and a memory sink for tests.
#pragma once

#include "export/Namespace.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace dedezuviv::exports {

// Anything with a write operation (the stream is any byte sink).
class TByteSink {
public:
    virtual ~TByteSink() = default;
    virtual void Write(const void* data, size_t size) = 0;
    void Write(std::string_view text) { Write(text.data(), text.size()); }
};

// The bytes in memory.
class TMemorySink final : public TByteSink {
public:
    void Write(const void* data, size_t size) override { Bytes.append(static_cast<const char*>(data), size); }
    std::string Bytes;
};

// A file written through a buffer. The first error of any write is kept (Error(), an errno value);
// after it nothing more is written. Close() writes what is buffered and closes the file; only after a
// Close() that returned 0 is the file complete on disk.
class TBufferedFile final : public TByteSink {
public:
    static constexpr size_t BufferSize = 1 << 20;

    TBufferedFile();
    ~TBufferedFile() override;
    TBufferedFile(const TBufferedFile&) = delete;
    TBufferedFile& operator=(const TBufferedFile&) = delete;

    // Creates the file, or empties an existing one (NewOnly: fails with EEXIST then). 0 or the errno value.
    int Create(const std::string& fileName, bool newOnly = false);
    bool IsOpen() const { return Fd >= 0; }

    void Write(const void* data, size_t size) override
    {
        if (size <= BufferSize - Used) {
            std::memcpy(Buffer + Used, data, size);
            Used += size;
            return;
        }
        WriteSlow(data, size);
    }
    using TByteSink::Write;
    void Put(char c)
    {
        if (Used == BufferSize)
            Flush();
        Buffer[Used++] = c;
    }
    // Room for at least Size bytes in the buffer (Size at most BufferSize); the caller writes them at
    // Reserve(...) and then calls Commit with the number written.
    char* Reserve(size_t size)
    {
        if (BufferSize - Used < size)
            Flush();
        return Buffer + Used;
    }
    void Commit(size_t size) { Used += size; }
    // The bytes in the buffer, not yet written out; Drop forgets them (for a sink that is never opened).
    std::string_view Buffered() const { return std::string_view(Buffer, Used); }
    void Drop() { Used = 0; }

    // Writes out the buffer. 0 or the first error.
    int Flush();
    // Flush and close. 0 or the first error (of a write or of close).
    int Close();
    int Error() const { return FirstError; }
    // Bytes handed over so far.
    unsigned long long Written() const { return Total + Used; }

private:
    void WriteSlow(const void* data, size_t size);
    bool WriteOut(const char* data, size_t size);

    int Fd = -1;
    int FirstError = 0;
    std::unique_ptr<char[]> Storage;
    char* Buffer = nullptr;
    size_t Used = 0;
    unsigned long long Total = 0;
};

}  // namespace dedezuviv::exports

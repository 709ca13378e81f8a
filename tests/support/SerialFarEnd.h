// The far end of a serial line in a test (the controller's side of a pty pair), written and read by
// the test itself without blocking.
#pragma once

#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace testsupport {

class SerialFarEnd {
public:
    explicit SerialFarEnd(const std::string& path) : Fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~SerialFarEnd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    SerialFarEnd(const SerialFarEnd&) = delete;
    SerialFarEnd& operator=(const SerialFarEnd&) = delete;
    bool Write(const std::string& bytes)
    {
        return ::write(Fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // What has arrived so far; empty when nothing.
    std::string ReadAvailable()
    {
        std::string text;
        char buffer[256];
        for (ssize_t n; (n = ::read(Fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }

private:
    int Fd;
};

}  // namespace testsupport

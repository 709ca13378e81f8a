// Limits of the network value server, so that clients can never take the descriptors the logger needs
// for its day files, its port and its settings: a cap on open connections below the process's
// open-file limit, and a cap per client address.
#pragma once

#include "app/core/Namespace.h"

#include <map>
#include <string>
#include <sys/socket.h>

namespace dedezuviv::app {

// Descriptors kept free for the rest of the program (day files, debug log, settings file, serial port,
// the window system) however many clients connect.
constexpr int DescriptorReserve = 64;

// The number of connections the server may hold at once: at most MaxConnections, and no more than the
// descriptors left under the soft RLIMIT_NOFILE after those open now and the reserve; at least 1.
int ConnectionLimitForDescriptors(int maxConnections);
// The same from given figures (for tests): the open-file limit (negative = unlimited) and the
// descriptors open now.
int ConnectionLimitForDescriptors(int maxConnections, long long openFileLimit, int openDescriptors);

// The key under which connections of one client are counted: the IPv4 address (also when it arrives
// mapped into IPv6), or the /64 prefix of an IPv6 address, as one host usually holds a whole /64.
std::string ClientAddressKey(const sockaddr_storage& address);

// Counts open connections per client key.
class TClientAddressCounts {
public:
    explicit TClientAddressCounts(int limitPerAddress) : Limit(limitPerAddress) {}
    // Counts a new connection of the key; false (and nothing counted) when the key is at its limit.
    bool TryAdd(const std::string& key);
    void Remove(const std::string& key);
    int Count(const std::string& key) const;

private:
    int Limit;
    std::map<std::string, int> Counts;
};

}  // namespace dedezuviv::app

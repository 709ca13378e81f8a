#include "app/core/TCPConnectionLimits.h"
#include "app/core/Namespace.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>

namespace dedezuviv::app {

namespace {

int OpenDescriptorCount()
{
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr)
        return 32;  // without /proc: a modest guess
    int count = 0;
    while (const dirent* entry = readdir(folder))
        if (entry->d_name[0] != '.')
            ++count;
    closedir(folder);
    return count - 1;  // the folder's own descriptor
}

}  // namespace

int ConnectionLimitForDescriptors(int maxConnections, long long openFileLimit, int openDescriptors)
{
    if (openFileLimit < 0)
        return maxConnections;
    const long long room = openFileLimit - openDescriptors - DescriptorReserve;
    return static_cast<int>(std::clamp<long long>(room, 1, maxConnections));
}

int ConnectionLimitForDescriptors(int maxConnections)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return ConnectionLimitForDescriptors(maxConnections, -1, 0);
    return ConnectionLimitForDescriptors(maxConnections, static_cast<long long>(limit.rlim_cur),
                                         OpenDescriptorCount());
}

std::string ClientAddressKey(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof(text));
        return text;
    }
    if (address.ss_family != AF_INET6)
        return std::string();
    const in6_addr& in6 = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&in6)) {
        inet_ntop(AF_INET, &in6.s6_addr[12], text, sizeof(text));
        return text;
    }
    in6_addr prefix{};
    std::memcpy(prefix.s6_addr, in6.s6_addr, 8);
    inet_ntop(AF_INET6, &prefix, text, sizeof(text));
    return std::string(text) + "/64";
}

bool TClientAddressCounts::TryAdd(const std::string& key)
{
    int& count = Counts[key];
    if (count >= Limit) {
        if (count == 0)
            Counts.erase(key);
        return false;
    }
    ++count;
    return true;
}

void TClientAddressCounts::Remove(const std::string& key)
{
    const auto found = Counts.find(key);
    if (found == Counts.end())
        return;
    if (--found->second <= 0)
        Counts.erase(found);
}

int TClientAddressCounts::Count(const std::string& key) const
{
    const auto found = Counts.find(key);
    return found == Counts.end() ? 0 : found->second;
}

}  // namespace dedezuviv::app

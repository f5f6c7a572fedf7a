// Host names as gethostbyname and gethostbyaddr give them, over the system's resolver: one
// answer per thread, which the HOSTENT handed out points into.
// Our own socket names first: the system headers define some of the same names as macros.
#include "host/winsock/socket_registry.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace host {

using namespace winsock_detail;

namespace {

struct HostAnswer {
    std::string name;
    std::vector<uint32_t> addresses;  // network order
    std::vector<char*> addressList;
    char* aliases[1] = {nullptr};
    HOSTENT entry;
};
thread_local HostAnswer t_answer;

HOSTENT* Answer(std::string name, std::vector<uint32_t> addresses) {
    HostAnswer& a = t_answer;
    a.name = std::move(name);
    a.addresses = std::move(addresses);
    a.addressList.clear();
    for (uint32_t& address : a.addresses) a.addressList.push_back(reinterpret_cast<char*>(&address));
    a.addressList.push_back(nullptr);
    a.entry = HOSTENT{};
    a.entry.h_name = a.name.data();
    a.entry.h_aliases = a.aliases;
    a.entry.h_addr_list = a.addressList.data();
    return &a.entry;
}

HOSTENT* NoAnswer(int code) {
    SetSocketError(code);
    return nullptr;
}

bool Started() {
    std::lock_guard lock(Winsock().mutex);
    return Winsock().started > 0;
}

// Empty when the system will not say.
std::string OwnName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

// The IPv4 addresses of the interfaces that are up, loopback only when there is no other:
// what the machine is reached at by others, as its own name gives them.
std::vector<uint32_t> OwnAddresses() {
    std::vector<uint32_t> found;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (const ifaddrs* i = list; i; i = i->ifa_next) {
            const bool up = (i->ifa_flags & IFF_UP) && !(i->ifa_flags & IFF_LOOPBACK);
            if (up && i->ifa_addr && i->ifa_addr->sa_family == PF_INET)
                found.push_back(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
        }
        ::freeifaddrs(list);
    }
    if (found.empty()) found.push_back(INADDR_LOOPBACK_NET);
    return found;
}

// Dot-separated labels of 1 to 63 letters, digits, '-' or '_', 253 characters in all (one
// final dot besides): anything else names no host and is not worth a resolver's query.
bool CouldBeHostName(std::string name) {
    if (!name.empty() && name.back() == '.') name.pop_back();
    if (name.empty() || name.size() > 253) return false;
    size_t label = 0;
    for (const char c : name) {
        if (c == '.') {
            if (label == 0) return false;
            label = 0;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') {
            if (++label > 63) return false;
        } else {
            return false;
        }
    }
    return label > 0;
}

int LookupError(int error) {
    switch (error) {
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return WSANO_DATA;
    case EAI_MEMORY: return WSAENOBUFS;
    default: return WSANO_RECOVERY;
    }
}

HOSTENT* Resolve(const char* name) {
    addrinfo hints{};
    hints.ai_family = PF_INET;
    hints.ai_socktype = ::SOCK_STREAM;  // one answer per address, not one per socket type
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (const int error = ::getaddrinfo(name, nullptr, &hints, &found); error != 0) return NoAnswer(LookupError(error));
    std::vector<uint32_t> addresses;
    for (const addrinfo* a = found; a; a = a->ai_next)
        addresses.push_back(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
    std::string canonical = found->ai_canonname ? found->ai_canonname : name;
    ::freeaddrinfo(found);
    return Answer(std::move(canonical), std::move(addresses));
}

}  // namespace

HOSTENT* gethostbyname(const char* name) {
    if (!Started()) return NoAnswer(WSANOTINITIALISED);
    const std::string own = OwnName();
    if (!name || *name == '\0' || (!own.empty() && ::strcasecmp(name, own.c_str()) == 0))
        return own.empty() ? NoAnswer(WSANO_RECOVERY) : Answer(own, OwnAddresses());
    if (const uint32_t dotted = inet_addr(name); dotted != INADDR_NONE) return Answer(name, {dotted});
    if (!CouldBeHostName(name)) return NoAnswer(WSAHOST_NOT_FOUND);
    return Resolve(name);
}

HOSTENT* gethostbyaddr(const char* address, int length, int type) {
    if (!Started()) return NoAnswer(WSANOTINITIALISED);
    if (type != AF_INET) return NoAnswer(WSAEAFNOSUPPORT);
    if (!address || length != 4) return NoAnswer(WSAEFAULT);
    sockaddr_in p{};
    p.sin_family = PF_INET;
    std::memcpy(&p.sin_addr.s_addr, address, 4);
    char name[NI_MAXHOST];
    const int error = ::getnameinfo(reinterpret_cast<const sockaddr*>(&p), sizeof p, name, sizeof name, nullptr, 0,
                                    NI_NAMEREQD);
    if (error != 0) return NoAnswer(LookupError(error));
    return Answer(name, {p.sin_addr.s_addr});
}

int gethostname(char* name, int length) {
    if (!Started()) return FailWith(WSANOTINITIALISED);
    const std::string own = OwnName();
    if (own.empty()) return FailWith(WSANO_RECOVERY);
    if (!name || length < 0 || own.size() >= size_t(length)) return FailWith(WSAEFAULT);
    std::memcpy(name, own.c_str(), own.size() + 1);
    return 0;
}

}  // namespace host

// Host names: their IPv4 addresses, and the local host's own name and address. A lookup
// waits for the system's resolver, so a program makes them outside its frames' hurry.
#include <orvik/network.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"

namespace orvik {

namespace {

// The first IPv4 address of the name, or null with a log line.
const char* FirstAddress(const char* name) {
    const host::HOSTENT* h = Network().ws2.gethostbyname(name);
    if (h && h->h_length == 4 && h->h_addr_list && h->h_addr_list[0]) return h->h_addr_list[0];
    LogSocketError("ホスト %s のアドレスを取得できませんでした", name);
    return nullptr;
}

int CopyFirstAddress(const char* name, IPv4Address* address) {
    const char* first = FirstAddress(name);
    if (!first) return -1;
    std::memcpy(address->bytes, first, 4);
    return 0;
}

bool LookupReady(const void* out, const char* caller) {
    if (!Network().initialised) {
        NetworkNotStarted();
        return false;
    }
    if (out) return true;
    AddLogFormat("結果の格納先がありません in %s", caller);
    return false;
}

}  // namespace

uint32_t LookUpIPv4(const char* text) {
    if (!text || !*text) return host::INADDR_NONE;
    const auto& ws2 = Network().ws2;
    const uint32_t dotted = ws2.inet_addr(text);
    if (dotted != host::INADDR_NONE) return dotted;
    const char* first = FirstAddress(text);
    uint32_t address = host::INADDR_NONE;
    if (first) std::memcpy(&address, first, 4);
    return address;
}

int GetHostIPbyName(const char* name, IPv4Address* address) {
    if (!LookupReady(address, "GetHostIPbyName")) return -1;
    if (!name || !*name) return AddLogText("ホスト名がありません in GetHostIPbyName\n");
    return CopyFirstAddress(name, address);
}

int GetMyHostName(char* buffer, int bufferSize) {
    if (!LookupReady(buffer, "GetMyHostName")) return -1;
    if (Network().ws2.gethostname(buffer, bufferSize) != 0) return LogSocketError("ホスト名を取得できませんでした");
    return 0;
}

int GetMyIPAddress(IPv4Address* address) {
    if (!LookupReady(address, "GetMyIPAddress")) return -1;
    char name[256];
    if (Network().ws2.gethostname(name, sizeof name) != 0) return LogSocketError("ホスト名を取得できませんでした");
    return CopyFirstAddress(name, address);
}

}  // namespace orvik

// Our own socket names first: the system headers define some of the same names as macros.
#include "host/winsock/winsock.h"

#include <arpa/inet.h>

#include <bit>

namespace host {

namespace {
uint16_t ToNetwork(uint16_t value) {
    if constexpr (std::endian::native == std::endian::big) return value;
    return uint16_t(value >> 8 | value << 8);
}
}  // namespace

// In parentheses: glibc may define the names as macros.
uint16_t(htons)(uint16_t value) { return ToNetwork(value); }
uint16_t(ntohs)(uint16_t value) { return ToNetwork(value); }

uint32_t inet_addr(const char* text) {
    in_addr address{};
    if (!text || ::inet_pton(PF_INET, text, &address) != 1) return INADDR_NONE;
    return address.s_addr;
}

}  // namespace host

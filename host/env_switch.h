// The environment's on/off switches (ORVIK_SOFT_NO_AVX2, ORVIK_D3D9_GENERIC...): on when
// set to anything but nothing or "0", so "1", "yes" and "true" all turn one on.
#pragma once
#include <cstdlib>
#include <cstring>

namespace host {

inline bool EnvSwitchOn(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
}

}  // namespace host

// The process's peak resident memory, for tests that bound what a step may cost.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

namespace orvik_test {

// The peak resident memory in KB (VmHWM), or -1 when it cannot be read.
inline int64_t PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    return -1;
}

// Brings the peak down to the memory resident now; false when the system does not let it.
inline bool ResetPeakResident() { return bool(std::ofstream("/proc/self/clear_refs") << "5" << std::flush); }

}  // namespace orvik_test

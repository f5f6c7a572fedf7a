// The process's peak resident memory, as the kernel keeps it (VmHWM), and its reset to the
// memory resident now: what a step costs at its worst is the rise of the peak across it.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

namespace orvik_test {

// In KB; -1 when the kernel does not tell.
inline int64_t PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    return -1;
}

inline bool ResetPeakResident() { return bool(std::ofstream("/proc/self/clear_refs") << "5" << std::flush); }

}  // namespace orvik_test

// A log of the test's own: a fresh temporary directory, the log opened in it, and its
// bytes read back. The log and the manual clock go back to their defaults afterwards.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/platform/base/log.h"
#include "host/clock.h"

namespace orvik_test {

class TempLog {
public:
    // With stamps off, lines read back exactly; with them on, the manual clock starts at 0
    // so stamps are known too.
    explicit TempLog(bool stamps = false) {
        char pattern[] = "/tmp/orvik_log_XXXXXX";
        const char* made = ::mkdtemp(pattern);
        directory_ = made ? made : "";
        orvik::ResetLog();
        host::UseManualClock(true);
        host::SetManualClock(0);
        orvik::SetLogDirectory(directory_.c_str());
        orvik::SetLogTimeStampOff(stamps ? 0 : 1);
        orvik::InitLogFile();
    }
    ~TempLog() {
        orvik::ResetLog();
        host::UseManualClock(false);
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    TempLog(const TempLog&) = delete;
    TempLog& operator=(const TempLog&) = delete;

    const std::string& Directory() const { return directory_; }
    std::string Path() const { return orvik::GetLogFilePath(); }
    // Everything in the log file so far ("" when there is none).
    std::string Read() const { return ReadFile(Path()); }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

private:
    std::string directory_;
};

}  // namespace orvik_test

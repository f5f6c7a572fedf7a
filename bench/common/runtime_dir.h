// The runtime directory of a bench process: its own, made on first use under $TMPDIR and
// removed when the process ends. The engine keeps its double-start lock there, so two
// benches run at once must not share one, or the second takes the first for a running
// copy of the program and its start fails.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace bench_support {

inline const std::string& ProcessRuntimeDirectory() {
    struct Directory {
        std::string path;
        Directory() {
            const char* tmp = std::getenv("TMPDIR");
            path = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvik_bench.XXXXXX";
            if (!mkdtemp(path.data())) std::abort();
        }
        ~Directory() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Directory dir;
    return dir.path;
}

}  // namespace bench_support

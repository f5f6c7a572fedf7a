#include "engine/platform/files/full_path.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/platform/base/charset.h"
#include "engine/platform/files/file_access.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/short_of_memory.h"

namespace orvik {
namespace {

// Removes the last element, never the root.
void DropLastElement(std::string& out) {
    const size_t slash = out.rfind('/');
    out.erase(slash == 0 || slash == std::string::npos ? 1 : slash);
}

void AppendElement(std::string& out, const std::string& element) {
    if (out.empty() || out.back() != '/') out += '/';
    out += element;
}

}  // namespace

std::string CurrentDirectoryPath() {
    // getcwd with no buffer sizes the text itself, so deep directories are read whole.
    const std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    return cwd ? std::string(cwd.get()) : std::string();
}

int CopyCurrentDirectory(char* buffer, size_t size) {
    const std::string current = CurrentDirectoryPath();
    if (current.empty() || current.size() >= size) {
        buffer[0] = 0;
        AddLogText(current.empty() ? "カレントディレクトリを取得できませんでした\n"
                                   : "カレントディレクトリのパスが長すぎます\n");
        return -1;
    }
    std::memcpy(buffer, current.c_str(), current.size() + 1);
    return static_cast<int>(current.size());
}

std::string ToSystemPath(const char* path) {
    std::string out;
    if (path == nullptr) return out;
    for (const char* p = path; *p != 0; ++p) {
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != 0) {
            out += p[0];
            out += p[1];
            ++p;
        } else {
            out += *p == '\\' ? '/' : *p;
        }
    }
    return out;
}

std::string UpperCaseAscii(const std::string& text, int charSet) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsDoubleByteLead(&out[i], charSet) && i + 1 < out.size()) {
            ++i;
        } else if (out[i] >= 'a' && out[i] <= 'z') {
            out[i] = static_cast<char>(out[i] - 'a' + 'A');
        }
    }
    return out;
}

// "/" cannot be a trail byte in any of the character sets, so once "\" has been turned
// into "/" the path can be cut at every "/".
std::string FullPathOf(const std::string& path, const std::string& base) {
    const std::string rest = ToSystemPath(path.c_str());
    std::string out;
    size_t start = 0;
    if (!rest.empty() && rest[0] == '/') {
        out.push_back('/');
    } else {
        out = base;
        while (out.size() > 1 && out.back() == '/') out.pop_back();
        if (out.empty()) out.push_back('/');
    }
    while (start < rest.size()) {
        const size_t slash = rest.find('/', start);
        if (slash == std::string::npos) {
            AppendElement(out, rest.substr(start));
            break;
        }
        const std::string element = rest.substr(start, slash - start);
        start = slash + 1;
        if (element.empty() || element == ".") continue;
        if (element == "..") DropLastElement(out);
        else AppendElement(out, element);
    }
    return out;
}

namespace {

int MakeFullPathInto(const char* path, char* out, const char* base) {
    // An absolute path does not look at the base, so it needs no current directory (which
    // can be too long to read into the file operations' buffer).
    const bool absolute = path != nullptr && (path[0] == '/' || path[0] == '\\');
    std::string baseText;
    if (base != nullptr) {
        baseText = base;
    } else if (!absolute) {
        char current[kFilePathMax] = {};
        ActiveFileAccessFunctions().getCurrentDir(current);
        if (current[0] == 0) {
            // Resolving against an empty base would give a wrong path, not a shorter one.
            out[0] = 0;
            AddLogFormat("カレントディレクトリが分からないため完全なパスを作れません in MakeFullPath");
            return -1;
        }
        baseText = current;
    }
    baseText = ToSystemPath(baseText.c_str());
    const std::string full = path == nullptr ? baseText : FullPathOf(path, baseText);
    if (full.size() >= static_cast<size_t>(kFilePathMax)) {
        out[0] = 0;
        AddLogFormat("パスが長すぎます in MakeFullPath");
        return -1;
    }
    std::memcpy(out, full.c_str(), full.size() + 1);
    return 0;
}

}  // namespace

int MakeFullPath(const char* path, char* out, const char* base) {
    if (out == nullptr) return -1;
    return UnlessShortOfMemory("MakeFullPath", path, -1, [&] { return MakeFullPathInto(path, out, base); });
}

}  // namespace orvik

#include "engine/platform/base/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "engine/platform/base/charset.h"
#include "engine/platform/base/format.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/startup/timing.h"
#include "host/clock.h"
#include "host/debug_output.h"

namespace orvik {

namespace {

LogState g_log;

// The log state is shared by the main thread and whichever thread logs under the memory
// lock; the log itself never allocates or takes another lock while holding this one.
std::recursive_mutex& LogLock() {
    static std::recursive_mutex lock;
    return lock;
}

// The log file's path, put together in a buffer of the longest path the system opens, so
// that a text is logged when memory has run short as well; false when it is longer.
bool PathLocked(char (&path)[PATH_MAX]) {
    const std::string& directory = g_log.directory;
    const char* separator = !directory.empty() && directory.back() == '/' ? "" : "/";
    const int length = std::snprintf(path, sizeof path, "%s%s%s", directory.c_str(), separator, g_log.fileName);
    return length >= 0 && size_t(length) < sizeof path;
}

// Collects output in small chunks and hands each chunk to the file (or, before the log
// is opened, to the pending text) and to the debugger output.
class LogSink {
public:
    explicit LogSink(int fd) : fd_(fd) {}
    ~LogSink() { Flush(); }
    LogSink(const LogSink&) = delete;
    LogSink& operator=(const LogSink&) = delete;

    void Put(char c) {
        if (used_ == sizeof buffer_ - 1) Flush();
        buffer_[used_++] = c;
        last_ = c;
    }
    void Put(const char* text) {
        while (*text) Put(*text++);
    }
    char Last() const { return last_; }

private:
    void Flush() {
        if (used_ == 0) return;
        if (fd_ >= 0) {
            size_t done = 0;
            while (done < used_) {
                const ssize_t n = ::write(fd_, buffer_ + done, used_ - done);
                if (n <= 0) break;
                done += size_t(n);
            }
        } else if (g_log.pending.size() + used_ <= kLogPendingLimit) {
            // Short of memory the text is not kept for the file (the debugger output has
            // it), rather than thrown out of a destructor.
            try {
                g_log.pending.append(buffer_, used_);
            } catch (const std::bad_alloc&) {
            }
        }
        buffer_[used_] = '\0';
        host::OutputDebugStringA(buffer_);
        used_ = 0;
    }

    int fd_;
    char buffer_[512];
    size_t used_ = 0;
    char last_ = '\0';
};

// Line feeds become CR LF; two-byte characters pass whole, so a trail byte is never taken
// for a line feed. A line feed that already follows a CR means the text carries its own
// line ends: it and the rest are passed unchanged.
void ConvertLineEnds(const char* text, LogSink& sink) {
    bool afterCr = false;
    for (const char* p = text; *p != '\0';) {
        const char c = *p;
        if (IsLeadByte(static_cast<unsigned char>(c)) && p[1] != '\0') {
            sink.Put(c);
            sink.Put(p[1]);
            p += 2;
            afterCr = false;
            continue;
        }
        if (c == '\n') {
            if (afterCr) {
                sink.Put(p);
                return;
            }
            sink.Put('\r');
        }
        sink.Put(c);
        afterCr = c == '\r';
        ++p;
    }
}

void WriteLocked(const char* text, int fd) {
    LogSink sink(fd);
    if (!g_log.continuation) {
        if (!g_log.timeStampOff) {
            const uint32_t elapsed = g_log.opened ? host::timeGetTime() - g_log.startTime : 0;
            char stamp[16];
            std::snprintf(stamp, sizeof stamp, "%d:", int(elapsed));
            sink.Put(stamp);
        }
        for (int i = 0; i < g_log.indent; ++i) sink.Put('\t');
    }
    ConvertLineEnds(text, sink);
    g_log.continuation = sink.Last() != '\n';
}

// The bytes of text up to its last complete character.
size_t WholeCharacterBytes(const char* text, size_t length) {
    size_t at = 0;
    while (at < length) {
        const size_t bytes = IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
        if (at + bytes > length) break;
        at += bytes;
    }
    return at;
}

void MakeFileName(char* out, size_t size) {
    if (!g_log.datedName) {
        std::snprintf(out, size, "Log.txt");
        return;
    }
    int32_t t[6] = {};
    GetLocalDateTime(t);
    std::snprintf(out, size, "Log%d_%d_%d_%d_%d_%d.txt", t[0], t[1], t[2], t[3], t[4], t[5]);
}

// The log file of the log directory, made afresh (the log of an earlier start is replaced)
// or to append to: the file, or minus the error number. What stands in the way of a new
// file gives the reason (a directory of its name "is a directory" rather than "exists").
int OpenInDirectoryLocked(bool afresh) {
    char path[PATH_MAX];
    if (!PathLocked(path)) return -ENAMETOOLONG;
    if (afresh && ::unlink(path) != 0 && errno != ENOENT) return -errno;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC | (afresh ? O_EXCL : O_APPEND), 0644);
    return fd >= 0 ? fd : -errno;
}

// A shortage of the moment loses one text; any other failure means the directory cannot
// hold the log.
bool PassingShortage(int error) {
    return error == EINTR || error == EMFILE || error == ENFILE || error == ENOMEM || error == EAGAIN;
}

// The log directory failed with `error`: says so on standard error and makes the log afresh
// in the start directory. When that is where it failed, or fails too, the log is given up
// (said once more) and the log directory forgotten. The open file, or -1.
int MoveToStartDirectoryLocked(int error) {
    const std::string& startDirectory = Library().startDirectory;
    std::string start = startDirectory.empty() ? CurrentDirectoryPath() : ToSystemPath(startDirectory.c_str());
    std::fprintf(stderr, "orvik: the log file \"%s\" cannot be written in \"%s\" (%s)", g_log.fileName,
                 g_log.directory.c_str(), std::strerror(error));
    if (!start.empty() && start != g_log.directory) {
        std::fprintf(stderr, "; it goes to the start folder \"%s\"\n", start.c_str());
        g_log.directory = std::move(start);
        const int fd = OpenInDirectoryLocked(true);
        if (fd >= 0) return fd;
        std::fprintf(stderr, "orvik: the log file cannot be written in \"%s\" either (%s)", g_log.directory.c_str(),
                     std::strerror(-fd));
    }
    std::fputs("; the program goes on without a log\n", stderr);
    g_log.directory.clear();
    return -1;
}

// The log file, made afresh or to append to, moved to the start directory when the log
// directory cannot hold it; -1 when there is none.
int OpenLogLocked(bool afresh) {
    const int fd = OpenInDirectoryLocked(afresh);
    if (fd >= 0) return fd;
    return PassingShortage(-fd) ? -1 : MoveToStartDirectoryLocked(-fd);
}

}  // namespace

LogState& Log() { return g_log; }

void ResetLog() {
    std::lock_guard lock(LogLock());
    g_log = LogState{};
}

int AddLogText(const char* text) {
    if (!text) return -1;
    std::lock_guard lock(LogLock());
    if (g_log.logOff) return -1;
    if (!g_log.opened) {
        WriteLocked(text, -1);
        return -1;
    }
    // Without a directory to take the log the text is skipped, debugger output included.
    if (g_log.directory.empty()) return -1;
    const int fd = OpenLogLocked(false);
    if (fd < 0) return -1;
    WriteLocked(text, fd);
    ::close(fd);
    return -1;
}

int LogTextAlias(const char* text) { return AddLogText(text); }

int AddLogFormat(const char* format, ...) {
    if (!format) return -1;
    char buffer[1024];
    va_list args;
    va_start(args, format);
    FormatTextV(buffer, sizeof buffer - 1, format, args);
    va_end(args);
    // A two-byte character cut by the buffer's end goes whole: its lead byte would take the
    // line feed for its second byte.
    const size_t end = WholeCharacterBytes(buffer, std::strlen(buffer));
    buffer[end] = '\n';
    buffer[end + 1] = '\0';
    return AddLogText(buffer);
}

int IncLogIndent() {
    std::lock_guard lock(LogLock());
    ++g_log.indent;
    return 0;
}

int DecLogIndent() {
    std::lock_guard lock(LogLock());
    if (g_log.indent > 0) --g_log.indent;
    return 0;
}

int InitLogFile() {
    std::lock_guard lock(LogLock());
    if (g_log.logOff) return 0;
    if (g_log.directory.empty()) g_log.directory = CurrentDirectoryPath();
    if (g_log.directory.empty()) g_log.directory.push_back('.');
    MakeFileName(g_log.fileName, sizeof g_log.fileName);
    g_log.opened = 1;
    const int fd = OpenLogLocked(true);
    if (fd >= 0) {
        // What was logged before the file existed goes in first (it went to the debugger
        // output when it was logged).
        size_t done = 0;
        while (done < g_log.pending.size()) {
            const ssize_t n = ::write(fd, g_log.pending.data() + done, g_log.pending.size() - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        ::close(fd);
    }
    g_log.pending.clear();
    g_log.indent = 0;
    g_log.continuation = 0;
    g_log.startTime = host::timeGetTime();
    return 0;
}

int SetLogFileEnabled(int enabled) {
    std::lock_guard lock(LogLock());
    g_log.logOff = enabled == 0;
    return 0;
}

void UseLogDirectory(const std::string& directory) {
    std::string path = ToSystemPath(directory.c_str());
    std::lock_guard lock(LogLock());
    g_log.directory = std::move(path);
}

int SetLogDirectory(const char* directory) {
    if (directory == nullptr) {
        // The start directory, where the program is started (empty before start-up,
        // which then puts it in).
        UseLogDirectory(Library().startDirectory);
        return 0;
    }
    const char* refusal = nullptr;
    if (std::strlen(directory) >= kFilePathMax) {
        refusal = "ログの出力先ディレクトリのパスが長すぎます in SetLogDirectory\n";
    } else {
        // A folder the log cannot be written in would lose the whole log, leak dump
        // included, without a word: it is refused while the caller can still hear of it.
        const std::string path = ToSystemPath(directory);
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            ::access(path.c_str(), W_OK | X_OK) != 0)
            refusal = "ログの出力先ディレクトリに書き込めません in SetLogDirectory\n";
    }
    if (refusal != nullptr) {
        std::fprintf(stderr, "orvik: the log folder \"%s\" cannot be written in; the log stays where it was\n",
                     directory);
        return AddLogText(refusal);
    }
    UseLogDirectory(directory);
    return 0;
}

int SetLogFileDatedName(int on) {
    std::lock_guard lock(LogLock());
    g_log.datedName = on != 0;
    return 0;
}

int SetLogTimeStampOff(int off) {
    std::lock_guard lock(LogLock());
    g_log.timeStampOff = off != 0;
    return 0;
}

std::string GetLogFilePath() {
    std::lock_guard lock(LogLock());
    char path[PATH_MAX];
    if (!g_log.opened || g_log.directory.empty() || !PathLocked(path)) return {};
    return path;
}

}  // namespace orvik

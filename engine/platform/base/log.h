// The log file: every text goes to one file, recreated at each start, and to the
// debugger output. Each line starts with the milliseconds since the log was opened as
// "%d:" and one tab per indentation level; lines end in CR LF.
#pragma once
#include <orvik/log.h>
#include <cstdint>
#include <string>

namespace orvik {

struct LogState {
    int32_t logOff = 0;
    // "/" separators; any length start-up gives it. Empty after InitLogFile only when no
    // directory takes the log.
    std::string directory;
    char fileName[256] = {};
    int32_t datedName = 0;
    int32_t timeStampOff = 0;
    uint32_t startTime = 0;
    int32_t indent = 0;
    int32_t continuation = 0;  // the last text did not end a line
    int32_t opened = 0;        // InitLogFile has made the file
    // Texts logged before the log was opened, written into it when it opens.
    std::string pending;
};
constexpr size_t kLogPendingLimit = 64 * 1024;

LogState& Log();
// Back to the defaults: log on, no directory, nothing opened (tests).
void ResetLog();

// Writes the text (line feeds become CR LF). Always returns -1, as callers return its
// result from their failure paths.
int AddLogText(const char* text);
int LogTextAlias(const char* text);
// printf-style into 1024 bytes, plus a line feed.
int AddLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Creates the log file afresh in the log directory (the current directory when none is
// set, which then becomes the log directory). 0. A directory the file cannot be made or
// written in (gone, or holding a directory of the file's name) is reported once on
// standard error, and the log moves to the start directory; when that fails too, the
// program goes on without a log.
int InitLogFile();

// Makes `directory` the log directory whatever its length ("\\" becomes "/"); start-up
// uses it for the start directory, which a deep directory tree makes longer than the
// public setter takes.
void UseLogDirectory(const std::string& directory);

// Settings made before start-up. 0 turns the log off.
int SetLogFileEnabled(int enabled);
// The full path of the log file ("" before InitLogFile, or with no log to be had).
std::string GetLogFilePath();

}  // namespace orvik

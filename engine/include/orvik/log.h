// The engine's log file, for programs built on the engine.
#pragma once

namespace orvik {

// Made before InitLibrary: 0 writes no log file.
int SetLogFileEnabled(int enabled);
// Appends the text to the log. Always -1, so a failing function can return its result.
int AddLogText(const char* text);
// printf-style, plus a line feed. Always -1.
int AddLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace orvik

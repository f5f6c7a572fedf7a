// The engine's log file, for programs built on the engine.
#pragma once

namespace orvik {

// Made before InitLibrary: 0 writes no log file.
int SetLogFileEnabled(int enabled);
// Appends the text to the log. Always -1, so a failing function can return its result.
int AddLogText(const char* text);
// printf-style, plus a line feed. Always -1.
int AddLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One indentation level more (or less, not below 0) for the following log lines.
int IncLogIndent();
int DecLogIndent();
// Made before InitLibrary: the folder the log file is written in (null: beside the program).
int SetLogDirectory(const char* directory);
// Made before InitLibrary: 1 names the log file after the date and time of the start.
int SetLogFileDatedName(int on);
// 1 leaves the millisecond stamp off the log lines.
int SetLogTimeStampOff(int off);

}  // namespace orvik

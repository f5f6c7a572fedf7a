// New empty files in the temporary directory, for data that a system service must read
// from a file of its own (the MIDI sequencer).
#pragma once
#include "host/win/system/file_io.h"

namespace orvik {

// Makes a new empty file named "tmp..." in the temporary directory, open for writing, and
// writes its full path (at most 260 bytes with the terminator) into `path` unless that is
// null. The file's handle, or INVALID_FILE_HANDLE when no name could be made or the file
// not opened.
host::HFILE CreateTempFile(char* path);

}  // namespace orvik

// The table of file operations every engine loader reads through, and the forwarding
// functions over it. The table holds either the archive-aware set (files are taken out of
// OKV archives that cover their path) or the plain set (operating-system files only), or
// twelve operations a caller supplies.
#pragma once
#include <cstddef>
#include <cstdint>

#include <orvik/files.h>

namespace orvik {

// FileAccessHandle (orvik/files.h): archive-aware handles are a table slot with 0xF0000000
// set; plain-file handles are the address of the open file's record.

// The table in use. Starts out holding the archive-aware set.
FileAccessFunctions& ActiveFileAccessFunctions();
// Back to the archive-aware set with archive access on (for tests).
void ResetFileAccessTable();

// SetArchiveAccess refills the table when it holds the built-in set of the previous choice;
// a caller's own table is left alone.
// 1 when the table holds one of the built-in sets (the idle check is not compared).
int IsBuiltinFileAccessSet();

const FileAccessFunctions& PlainFileAccessSet();
const FileAccessFunctions& ArchiveFileAccessSet();

}  // namespace orvik

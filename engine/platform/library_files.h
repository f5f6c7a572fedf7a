// What start-up and shutdown ask of file access: the file operations, the start
// directory and the archives no open file uses.
#pragma once

namespace orvik {

// Installs the file operations and reads the current directory into `startDirectory`
// (260 bytes).
void InstallFileOperations(char* startDirectory);
void RestoreStartDirectory(const char* startDirectory);
void ReleaseArchivesNotInUse();
// Fills the file and memory-image stream tables.
void BuildStreamTables();

}  // namespace orvik

// What start-up and shutdown ask of file access: the file operations, the start
// directory and the archives no open file uses.
#pragma once
#include <string>

namespace orvik {

// Installs the file operations and returns the current directory, whatever its length
// ("" and a log line when the system cannot give it).
std::string InstallFileOperations();
// Makes the start directory current again; a log line when that fails.
void RestoreStartDirectory(const std::string& startDirectory);
void ReleaseArchivesNotInUse();
// Fills the file and memory-image stream tables.
void BuildStreamTables();

}  // namespace orvik

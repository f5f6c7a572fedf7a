// The folder the game plays from. The engine opens the archives, and the game its stage
// files, saves and icon, by names relative to the current folder; a program started by its
// full path, from a launcher or a file manager, moves into its own folder when its data
// lie there, as a program started from its icon does.
#pragma once
#include <string>

namespace vantorix {

// The extension of the archives that stand in for the data folders ("Data01.dat").
constexpr const char* kArchiveExtension = "dat";

// Stays in the current folder when it holds the game's data (the three archives, in any
// case of their names' letters, or the folders they stand for, and the six stage files),
// else makes programFolder the current one when that holds them: 0. -1 when neither does
// (or programFolder is ""), after one line on standard error that names the missing file
// and the folders looked in.
int EnterDataFolder(const std::string& programFolder);

// The folder the running program lies in; "" when the system does not say.
std::string ProgramFolder();

}  // namespace vantorix

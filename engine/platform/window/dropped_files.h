// The names of the files dropped on the main window, kept until the window goes.
#pragma once
#include "host/win/system/drop_files.h"

namespace orvik {

constexpr int kMaxDroppedFiles = 1000;

struct DroppedFilesState {
    char* names[kMaxDroppedFiles] = {};  // tracked blocks, each name ended by a 0 byte
    int count = 0;
};

DroppedFilesState& DroppedFiles();

// Appends the drop's names while fewer than the maximum are kept, then gives the drop
// back; 0.
int StoreDroppedFiles(host::HDROP drop);
// Frees every stored name; 0.
int FreeDroppedFileNames();

}  // namespace orvik

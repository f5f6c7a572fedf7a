// The stage-clear screen: Z goes on to the next stage, or after the last one to the ending.
#pragma once

namespace vantorix {

// Opened by stage play when its stage-clear counter reaches 60.
void RunStageClear();

}  // namespace vantorix

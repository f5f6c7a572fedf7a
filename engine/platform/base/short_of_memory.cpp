#include "engine/platform/base/short_of_memory.h"

#include "engine/platform/base/log.h"

namespace orvik {

void LogShortOfMemory(const char* function, const char* path) {
    if (path != nullptr) AddLogFormat("メモリが足りず処理できませんでした in %s：%s", function, path);
    else AddLogFormat("メモリが足りず処理できませんでした in %s", function);
}

}  // namespace orvik

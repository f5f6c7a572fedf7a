// Putting the pixels of loaded graphics back after the device was made anew: every
// graphic that remembers its file is filled again from it, one load per run of graphics
// cut from the same file.
#include <cstring>
#include <string>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/models/model_handles.h"
#include "engine/graphics/readers/image_loader.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

struct RestoreImages {
    std::string path;
    int32_t option = -1;
    bool loaded = false, hasAlpha = false;
    BaseImage image{}, alpha{};

    void Free() {
        FreeBaseImage(&image);
        FreeBaseImage(&alpha);
        loaded = hasAlpha = false;
    }
    ~RestoreImages() { Free(); }

    bool Load(const char* file, int32_t reloadOption) {
        if (loaded && path == file && option == reloadOption) return true;
        Free();
        path = file;
        option = reloadOption;
        // The reload option is the mirror flag the graphic was loaded with.
        int got = LoadImageWithAlphaFile(file, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0, reloadOption == 1 ? 1 : 0);
        if (got < 0) {
            AddLogFormat("ファイル:%s がロードできませんでした", file);
            path.clear();
            return false;
        }
        loaded = true;
        hasAlpha = got == 0;
        return true;
    }
};

}  // namespace

int RestoreGraphsFromFiles() {
    AddLogText("グラフィックを復帰します\n");
    RestoreImages images;
    GraphHandleTable& t = GraphTable();
    for (int32_t i = 0; i < t.highWater; ++i) {
        GraphRecord* r = t.slots[i];
        if (!r || !r->fileName) continue;
        // The transfer replaces the record's file-name block: keep the path apart.
        const std::string path = r->fileName->path.data();
        if (!images.Load(path.c_str(), r->reloadOption)) continue;
        TransferImageToGraph(path.c_str(), &images.image, images.hasAlpha ? &images.alpha : nullptr, r->sourceX,
                             r->sourceY, r->handle, r->reloadOption);
    }
    return 0;
}

int RestoreAllGraphs() {
    int (*restore)() = Graphics().restoreCallback ? Graphics().restoreCallback : &RestoreGraphsFromFiles;
    restore();
    RestoreModelTextures();
    RefreshFontHandles();
    return 0;
}

}  // namespace orvik

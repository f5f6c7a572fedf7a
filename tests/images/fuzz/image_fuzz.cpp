// Feeds arbitrary bytes to the reader table and puts whatever loads through the
// conversions a loaded image meets next.
#include <cstddef>
#include <cstdint>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/dds/dxt_decode.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/platform/files/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    orvik::ImageStream stream{*orvik::GetMemImageStreamFunctions(),
                              orvik::ToStreamHandle(orvik::OpenMemImageStream(data, static_cast<int32_t>(size)))};
    if (stream.handle == 0) return 0;
    orvik::BaseImage image{};
    if (orvik::LoadImageByReaders(&stream, &image) == 0) {
        // A few bytes may describe an image of up to 2 GB, and it loads: the readers meet it
        // whole, but the conversion and the mirror, whose every row the instrumentation slows
        // tenfold, only up to 1024 pixels a side (a 2 x 268435455 mirror took 9 s a run).
        const bool small = image.width <= 1024 && image.height <= 1024;
        orvik::BaseImage argb{};
        if (orvik::DecodeDxtBaseImage(&image) == 0 && small &&
            orvik::NewArgb32BaseImage(image.width, image.height, &argb) == 0)
            orvik::ConvertBaseImageFormat(0, 0, image.width, image.height, 0, 0, &image, &argb);
        if (small) orvik::MirrorBaseImage(&image);
        orvik::FreeBaseImage(&argb);
        orvik::FreeBaseImage(&image);
    }
    stream.functions.close(stream.handle);
    return 0;
}

// JPEG files through libjpeg: grey and colour images, decoded straight into the rows of
// the base image (colour as blue, green, red), and CMYK or YCCK images (as printing
// programs write them) brought to the same blue, green, red rows.
#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

constexpr size_t kSourceBufferBytes = 4096;

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

struct JpegSource {
    jpeg_source_mgr manager;
    const ImageStream* stream;
    int64_t remaining;
    JOCTET buffer[kSourceBufferBytes];
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void JpegErrorExit(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, message);
    AddLogFormat("ＪＰＥＧファイルの読み込みに失敗しました(%s) in ReadJpegImage", message);
    longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

void JpegSourceNoop(j_decompress_ptr) {}

boolean JpegSourceFill(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
    size_t got = 0;
    if (src->remaining > 0) {
        const size_t want = std::min<int64_t>(src->remaining, kSourceBufferBytes);
        got = src->stream->functions.read(src->buffer, 1, want, src->stream->handle);
        src->remaining = got == want ? src->remaining - static_cast<int64_t>(got) : 0;
    }
    if (got == 0) {
        // Out of data: warn and end the image, so a truncated file still gives its rows.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->manager.next_input_byte = kEndOfImage;
        src->manager.bytes_in_buffer = sizeof kEndOfImage;
        return TRUE;
    }
    src->manager.next_input_byte = src->buffer;
    src->manager.bytes_in_buffer = got;
    return TRUE;
}

void JpegSourceSkip(j_decompress_ptr cinfo, long count) {
    auto* src = cinfo->src;
    while (count > 0) {
        if (src->bytes_in_buffer == 0) JpegSourceFill(cinfo);
        const size_t step = std::min<size_t>(static_cast<size_t>(count), src->bytes_in_buffer);
        src->next_input_byte += step;
        src->bytes_in_buffer -= step;
        count -= static_cast<long>(step);
    }
}

void SetupJpegMemorySource(j_decompress_ptr cinfo, const ImageStream* stream) {
    auto* src = static_cast<JpegSource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
    src->manager.init_source = JpegSourceNoop;
    src->manager.fill_input_buffer = JpegSourceFill;
    src->manager.skip_input_data = JpegSourceSkip;
    src->manager.resync_to_restart = jpeg_resync_to_restart;
    src->manager.term_source = JpegSourceNoop;
    src->manager.bytes_in_buffer = 0;
    src->manager.next_input_byte = nullptr;
    src->stream = stream;
    src->remaining = StreamCursor(*stream).Remaining();
    cinfo->src = &src->manager;
}

// State that must survive the long jump lives outside the jumping frame.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegError error;
    PixelBlock pixels;
};

// Ink to light: each colour channel is what its ink and the black leave. Adobe's writers
// store every ink inverted (0 is full ink), and libjpeg hands the bytes over as stored, so
// a file with Adobe's marker is read the other way round.
void CmykRowToBgr(const JSAMPLE* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const int flip = inverted ? 0 : 255;
        const int k = cmyk[3] ^ flip;
        for (int c = 0; c < 3; ++c) bgr[2 - c] = static_cast<uint8_t>(((cmyk[c] ^ flip) * k + 127) / 255);
    }
}

// Grey and RGB decode as they are (RGB straight to BGR); CMYK and YCCK (which libjpeg turns
// into CMYK) decode to CMYK and are converted. False for any other layout.
bool ChooseOutput(jpeg_decompress_struct* cinfo, bool* cmyk) {
    *cmyk = cinfo->num_components == 4 &&
            (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK);
    if (*cmyk) cinfo->out_color_space = JCS_CMYK;
    else if (cinfo->num_components == 1) cinfo->out_color_space = JCS_GRAYSCALE;
    else if (cinfo->num_components == 3) cinfo->out_color_space = JCS_EXT_BGR;
    else return false;
    return true;
}

void ReadRows(jpeg_decompress_struct* cinfo, uint8_t* pixels, size_t pitch, bool cmyk) {
    JSAMPARRAY cmykRow = cmyk ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                           JPOOL_IMAGE, cinfo->output_width * 4, 1)
                              : nullptr;
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* out = pixels + cinfo->output_scanline * pitch;
        JSAMPROW row = cmyk ? cmykRow[0] : out;
        jpeg_read_scanlines(cinfo, &row, 1);
        if (cmyk) CmykRowToBgr(row, out, cinfo->output_width, cinfo->saw_Adobe_marker);
    }
}

int DecodeJpeg(JpegJob* job, ImageStream* stream, BaseImage* out) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    if (setjmp(job->error.jump)) return -1;
    SetupJpegMemorySource(cinfo, stream);
    jpeg_read_header(cinfo, TRUE);
    bool cmyk = false;
    if (!ChooseOutput(cinfo, &cmyk)) {
        AddLogFormat("%d成分のＪＰＥＧファイルには対応していません in ReadJpegImage",
                     cinfo->num_components);
        return -1;
    }
    if (CheckImageSides(cinfo->image_width, cinfo->image_height) != 0) {
        AddLogText("ＪＰＥＧファイルの画像が大きすぎます in ReadJpegImage\n");
        return -1;
    }
    jpeg_start_decompress(cinfo);
    const int bytes = cmyk ? 3 : cinfo->output_components;
    const size_t pitch = static_cast<size_t>(cinfo->output_width) * bytes;
    if (!ORVIK_BLOCK_ALLOC(job->pixels, pitch * cinfo->output_height)) return -1;
    ReadRows(cinfo, job->pixels.Get(), pitch, cmyk);
    jpeg_finish_decompress(cinfo);
    if (bytes == 1) FillGray8ColorFormat(&out->format);
    else FillRgb24ColorFormat(&out->format);
    out->width = static_cast<int32_t>(cinfo->output_width);
    out->height = static_cast<int32_t>(cinfo->output_height);
    out->pitch = static_cast<int32_t>(pitch);
    out->pixels = job->pixels.Release();
    return 0;
}

}  // namespace

int ReadJpegImage(ImageStream* stream, BaseImage* out) {
    uint8_t start[2];
    if (StreamCursor(*stream).ReadSome(start, 2) != 2 || start[0] != 0xFF || start[1] != 0xD8)
        return kNotThisImageFormat;
    StreamCursor(*stream).Seek(0);
    JpegJob job{};
    job.cinfo.err = jpeg_std_error(&job.error.manager);
    job.error.manager.error_exit = JpegErrorExit;
    job.error.manager.output_message = JpegOutputMessage;
    jpeg_create_decompress(&job.cinfo);
    const int result = DecodeJpeg(&job, stream, out);
    jpeg_destroy_decompress(&job.cinfo);
    return result;
}

}  // namespace orvik

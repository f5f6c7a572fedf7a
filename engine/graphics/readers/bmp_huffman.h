// OS/2 BMPs compressed with Huffman 1D: each row of a 1-bit image coded as alternating
// white and black runs in the group 3 fax code, starting with white.
#pragma once
#include <cstdint>
#include <span>

namespace orvik {

struct FaxRows {
    uint8_t* bits;     // cleared by the caller: 1-bit rows in the file's order, high bit first
    int32_t rowBytes;  // at least (width + 7) / 8
    int32_t width;
    int32_t height;
};

// Decodes the rows into `rows`: a white run gives 0 bits, a black run 1 bits. Rows may be
// led by end-of-line codes (with 0 fill bits before them) or not, and may each start on a
// byte boundary or straight after the one before: both ways are tried, and the one that
// decodes more whole rows is kept. Returns the number of whole rows; decoding stops at a
// bad code, a run past the row's end or the end of the data, keeping what came before.
int32_t DecodeFaxRows(std::span<const uint8_t> data, const FaxRows& rows);

}  // namespace orvik

// The Modified Huffman code of group 3 fax (ITU-T T.4, one-dimensional): white and black
// run lengths as terminating codes (0 to 63) and make-up codes (multiples of 64), read
// most significant bit first.
#pragma once
#include <cstdint>

namespace orvik {

struct FaxCode {
    uint8_t bits;   // code length, 2 to 13
    uint16_t code;  // the code in its low `bits` bits
};

// Terminating codes: entry i codes a run of i pixels.
extern const FaxCode kFaxWhiteTerminating[64];
extern const FaxCode kFaxBlackTerminating[64];
// Make-up codes: entry i codes a run of 64 x (i + 1) pixels, 64 to 1728.
extern const FaxCode kFaxWhiteMakeUp[27];
extern const FaxCode kFaxBlackMakeUp[27];
// Make-up codes shared by both colours: entry i codes 1792 + 64 x i, up to 2560.
extern const FaxCode kFaxExtendedMakeUp[13];
// End of line: eleven 0 bits and a 1; writers may put any number of 0 fill bits before it.
constexpr FaxCode kFaxEndOfLine{12, 0x001};
constexpr int kFaxLongestCode = 13;

}  // namespace orvik

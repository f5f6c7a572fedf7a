#include "ending_text.h"

namespace vantorix {
namespace {

constexpr const char* kStaff = "R. ASHFORD";

}  // namespace

const std::array<const char*, kCaptionCount> kEndingCaptions = {
    "The core of the fortress fell silent.",
    "Its light faded over the northern sea.",
    "For the first time in years, the sky was still.",
    "The ship turned away from the falling towers.",
    "Its blade was chipped, its barrier spent.",
    "Yet its pilot was still alive.",
    "Far below, the old city watched the flames.",
    "People came out of the shelters one by one.",
    "They looked up and saw a single light.",
    "It crossed the dawn and did not stop.",
    "No one knew the name of the one who flew it.",
    "Some said it was a soldier with no army.",
    "Some said it was a ghost of the last war.",
    "The pilot never answered either story.",
    "At the edge of the sea the ship came down.",
    "The engines cooled in the morning wind.",
    "The pilot climbed out and sat on the sand.",
    "Waves washed over the broken wing.",
    "Somewhere behind, a bell began to ring.",
    "Then another, and another after it.",
    "The war that had no end had ended.",
    "The pilot closed both eyes and listened.",
    "Tomorrow there would be work to do.",
    "Cities to rebuild. Fields to plant again.",
    "But today the sky belonged to everyone.",
    "And the blade could rest at last.",
};

const std::array<CreditLine, kCreditCount> kCreditLines = {{
    {750, "VANTORIX"},
    {1080, "PROGRAM"},
    {1140, kStaff},
    {1440, "GRAPHIC"},
    {1500, kStaff},
    {1800, "SCENARIO"},
    {1860, kStaff},
    {2160, "CHARACTER DESIGN"},
    {2220, kStaff},
    {2520, "SOUND"},
    {2580, "M. ELLERY"},
    {2610, "T. NAKAMURA"},
    {2640, "S. OKONKWO"},
    {2670, kStaff},
    {3000, "TEST PLAY"},
    {3060, "J. PARK"},
    {3090, "L. MORENO"},
    {3120, "Y. KIMURA"},
    {3150, "D. HALE"},
    {3480, "SPECIAL THANKS"},
    {3540, "EVERYONE WHO PLAYED ALONG THE WAY"},
    {3660, "AND YOU"},
    {4260, "PRESENTED BY"},
    {4290, "ORVIK WORKS"},
}};

}  // namespace vantorix

// The media control interface, cut down to the MIDI sequencer: a device of type
// "sequencer" opened on a Standard MIDI File, played (optionally from a position, with a
// notify message to a window when it ends), stopped, asked its status and closed. Times
// are in milliseconds. The music is rendered into the mixer through FluidSynth with a
// General MIDI sound font, or through a small synthesiser of our own when there is none.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

using MCIERROR = uint32_t;
using MCIDEVICEID = uint32_t;

constexpr uint32_t MCI_OPEN = 0x0803, MCI_CLOSE = 0x0804, MCI_PLAY = 0x0806, MCI_STOP = 0x0808,
                   MCI_STATUS = 0x0814;
constexpr uint32_t MCI_NOTIFY = 0x1, MCI_WAIT = 0x2, MCI_FROM = 0x4, MCI_TO = 0x8;
constexpr uint32_t MCI_OPEN_ELEMENT = 0x200, MCI_OPEN_TYPE = 0x2000;
constexpr uint32_t MCI_STATUS_ITEM = 0x100;
constexpr uint32_t MCI_STATUS_LENGTH = 1, MCI_STATUS_POSITION = 2, MCI_STATUS_MODE = 4;
constexpr uint32_t MCI_MODE_STOP = 525, MCI_MODE_PLAY = 526;
constexpr uint32_t MCI_NOTIFY_SUCCESSFUL = 1, MCI_NOTIFY_ABORTED = 4;

constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = 257, MCIERR_UNRECOGNIZED_COMMAND = 261,
                   MCIERR_INVALID_DEVICE_NAME = 263, MCIERR_MISSING_PARAMETER = 273,
                   MCIERR_UNSUPPORTED_FUNCTION = 274, MCIERR_FILE_NOT_FOUND = 275,
                   MCIERR_OUTOFRANGE = 282, MCIERR_INVALID_FILE = 296,
                   MCIERR_SEQ_PORT_INUSE = 336;

struct MCI_OPEN_PARMSA {
    HWND dwCallback = nullptr;
    MCIDEVICEID wDeviceID = 0;  // out
    const char* lpstrDeviceType = nullptr;
    const char* lpstrElementName = nullptr;
};

struct MCI_PLAY_PARMS {
    HWND dwCallback = nullptr;
    uint32_t dwFrom = 0;
    uint32_t dwTo = 0;
};

struct MCI_STATUS_PARMS {
    HWND dwCallback = nullptr;
    uint32_t dwReturn = 0;  // out
    uint32_t dwItem = 0;
};

// Each command's parameters are the record above for its message (none for close and
// stop). 0, or an MCIERR_ value.
MCIERROR mciSendCommandA(MCIDEVICEID device, uint32_t message, uint32_t flags, void* parameters);

// For tests: whether a sequencer device is open, and closing it whatever its state.
bool IsMidiSequencerOpen();
void ResetMci();

}  // namespace host

// Music through the MCI sequencer: one device and one temporary MIDI file for the whole
// program; the sequencer's notify at the end of the music restarts or closes it.
#include "engine/sound/music/music_mci.h"

#include "engine/platform/base/log.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/platform/files/temp_file.h"
#include "engine/platform/window/window.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"

namespace orvik {

namespace {

host::MCIERROR Send(uint32_t message, uint32_t flags, void* parameters) {
    auto send = Libraries().mciSendCommandA;
    return send ? send(Sound().mci.deviceId, message, flags, parameters) : host::MCIERR_INVALID_DEVICE_ID;
}

void PlayFromStart() {
    host::MCI_PLAY_PARMS play;
    play.dwCallback = GetAppWindowHandle();
    play.dwFrom = 0;
    Send(host::MCI_PLAY, host::MCI_NOTIFY | host::MCI_FROM, &play);
}

bool WriteTempMidiFile(const uint8_t* image, uint32_t size) {
    MidiMciState& m = Sound().mci;
    const host::HFILE file = CreateTempFile(m.tempPath);
    if (file == host::INVALID_FILE_HANDLE) return false;
    m.tempPresent = 1;
    const bool written = host::WriteFile(file, image, size, nullptr);
    host::CloseFile(file);
    return written;
}

}  // namespace

int UpdateMidiMciPlayback() {
    MidiMciState& m = Sound().mci;
    if (m.loop == 1) {
        PlayFromStart();
        m.playing = 1;
    } else if (m.playing == 1) {
        Send(host::MCI_CLOSE, 0, nullptr);
        m.playing = 0;
        m.deviceId = 0;
    }
    return 0;
}

void CloseMidiMci() {
    MidiMciState& m = Sound().mci;
    if (m.deviceId != 0) Send(host::MCI_CLOSE, 0, nullptr);
    m.deviceId = 0;
    m.loop = 0;
    m.playing = 0;
}

void RemoveMusicTempFile() {
    MidiMciState& m = Sound().mci;
    if (!m.tempPresent) return;
    host::DeleteFileA(m.tempPath);
    m.tempPresent = 0;
}

int PlayMidiOnMci(const uint8_t* image, uint32_t size, bool loop) {
    CloseMidiMci();
    RemoveMusicTempFile();
    if (!WriteTempMidiFile(image, size)) {
        AddLogText("MIDI: the temporary file could not be written\n");
        RemoveMusicTempFile();
        return -1;
    }
    MidiMciState& m = Sound().mci;
    host::MCI_OPEN_PARMSA open;
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = m.tempPath;
    const host::MCIERROR error = Send(host::MCI_OPEN, host::MCI_OPEN_TYPE | host::MCI_OPEN_ELEMENT, &open);
    if (error != 0) {
        AddLogFormat("MIDI: the sequencer refused the music (MCI error %u)", unsigned(error));
        RemoveMusicTempFile();
        return -1;
    }
    m.deviceId = open.wDeviceID;
    m.loop = loop ? 1 : 0;
    PlayFromStart();
    m.playing = 1;
    return 0;
}

}  // namespace orvik

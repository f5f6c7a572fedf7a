// The MCI command dispatcher with its one kind of device, the MIDI sequencer. Every
// command runs under the mixer's lock, since the mixer plays the sequencer; an open
// takes it only once the file is read and the synthesiser taken (made, the first time).
// A close gives the synthesiser back for the next open.
#include <strings.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "host/dsound/mixer.h"
#include "host/dsound/mixer_source.h"
#include "host/mci/mci.h"
#include "host/mci/sequencer.h"

namespace host {

namespace {

struct MciState {
    // The mixer is made first, so it outlives the devices it plays.
    MciState() { MixerOutputRate(); }
    // A program may end with a sequence open while an output still pulls from the mixer:
    // the devices leave the mixer before they are destroyed.
    ~MciState() {
        std::lock_guard guard(DirectSoundLock());
        LeaveMixer();
    }
    void LeaveMixer() {
        for (auto& [id, device] : devices) RemoveMixerSource(device.get());
    }

    std::map<MCIDEVICEID, std::unique_ptr<Sequencer>> devices;
    MCIDEVICEID nextId = 1;
};

MciState& State() {
    static MciState state;
    return state;
}

bool PortInUse() {
    std::lock_guard guard(DirectSoundLock());
    return !State().devices.empty();
}

// The file is read and the synthesiser made (its sound font loaded) before the lock is
// taken, so the mixer is not held up by the loading.
MCIERROR Open(uint32_t flags, MCI_OPEN_PARMSA* p) {
    if (!p || !(flags & MCI_OPEN_TYPE) || !(flags & MCI_OPEN_ELEMENT) || !p->lpstrDeviceType || !p->lpstrElementName)
        return MCIERR_MISSING_PARAMETER;
    if (strcasecmp(p->lpstrDeviceType, "sequencer") != 0) return MCIERR_INVALID_DEVICE_NAME;
    // One synthesiser plays one sequence at a time, as one MIDI output port would.
    if (PortInUse()) return MCIERR_SEQ_PORT_INUSE;
    std::vector<uint8_t> file;
    if (!ReadWholeFile(p->lpstrElementName, &file)) return MCIERR_FILE_NOT_FOUND;
    MidiSequence sequence;
    if (!ParseMidiFile(file, &sequence)) return MCIERR_INVALID_FILE;
    std::shared_ptr<MidiSynth> synth = TakeMidiSynth(MixerOutputRate());
    std::lock_guard guard(DirectSoundLock());
    if (!State().devices.empty()) {
        GiveBackMidiSynth(std::move(synth));
        return MCIERR_SEQ_PORT_INUSE;
    }
    const MCIDEVICEID id = State().nextId++;
    auto device = std::make_unique<Sequencer>(std::move(sequence), std::move(synth), id);
    AddMixerSource(device.get());
    State().devices.emplace(id, std::move(device));
    p->wDeviceID = id;
    return 0;
}

MCIERROR Play(Sequencer& s, uint32_t flags, const MCI_PLAY_PARMS* p) {
    if (flags & (MCI_WAIT | MCI_TO)) return MCIERR_UNSUPPORTED_FUNCTION;
    if ((flags & (MCI_FROM | MCI_NOTIFY)) && !p) return MCIERR_MISSING_PARAMETER;
    uint32_t from = s.PositionMilliseconds();
    if (flags & MCI_FROM) {
        if (p->dwFrom > s.LengthMilliseconds()) return MCIERR_OUTOFRANGE;
        from = p->dwFrom;
    }
    s.Play(from, (flags & MCI_NOTIFY) ? p->dwCallback : nullptr);
    return 0;
}

MCIERROR Status(const Sequencer& s, uint32_t flags, MCI_STATUS_PARMS* p) {
    if (!p || !(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
    switch (p->dwItem) {
    case MCI_STATUS_MODE: p->dwReturn = s.Playing() ? MCI_MODE_PLAY : MCI_MODE_STOP; return 0;
    case MCI_STATUS_POSITION: p->dwReturn = s.PositionMilliseconds(); return 0;
    case MCI_STATUS_LENGTH: p->dwReturn = s.LengthMilliseconds(); return 0;
    default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

void Close(MCIDEVICEID device) {
    auto at = State().devices.find(device);
    RemoveMixerSource(at->second.get());
    GiveBackMidiSynth(at->second->Synth());
    State().devices.erase(at);
}

}  // namespace

MCIERROR mciSendCommandA(MCIDEVICEID device, uint32_t message, uint32_t flags, void* parameters) {
    if (message == MCI_OPEN) return Open(flags, static_cast<MCI_OPEN_PARMSA*>(parameters));
    std::lock_guard guard(DirectSoundLock());
    auto at = State().devices.find(device);
    if (at == State().devices.end()) return MCIERR_INVALID_DEVICE_ID;
    Sequencer& s = *at->second;
    switch (message) {
    case MCI_PLAY: return Play(s, flags, static_cast<const MCI_PLAY_PARMS*>(parameters));
    case MCI_STOP: s.Stop(); return 0;
    case MCI_STATUS: return Status(s, flags, static_cast<MCI_STATUS_PARMS*>(parameters));
    case MCI_CLOSE: Close(device); return 0;
    default: return MCIERR_UNRECOGNIZED_COMMAND;
    }
}

bool IsMidiSequencerOpen() {
    std::lock_guard guard(DirectSoundLock());
    return !State().devices.empty();
}

void ResetMci() {
    std::lock_guard guard(DirectSoundLock());
    State().LeaveMixer();
    State().devices.clear();
    ResetSoundFontSearch();
}

}  // namespace host

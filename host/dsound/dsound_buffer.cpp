#include "host/dsound/dsound_buffer.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "host/dsound/dsound_device.h"
#include "host/dsound/dsound_state.h"
#include "host/dsound/mixer.h"
#include "host/dsound/pcm_format_rules.h"

namespace host {
namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

// How far the write cursor runs ahead of the play cursor while a buffer plays.
constexpr uint32_t kWriteLeadMilliseconds = 10;

}  // namespace

IDirectSoundBuffer* IDirectSoundBuffer::MakePrimary(IDirectSound* owner) {
    auto* b = new (std::nothrow) IDirectSoundBuffer();
    if (!b) return nullptr;
    b->primary_ = true;
    b->owner_ = owner;
    b->flags_ = DSBCAPS_PRIMARYBUFFER;
    // A device starts out at 22050 Hz, 8-bit stereo until the program sets a format.
    b->format_ = {WAVE_FORMAT_PCM, 2, 22050, 44100, 2, 8, 0};
    return b;
}

IDirectSoundBuffer* IDirectSoundBuffer::MakeSecondary(const DSBUFFERDESC& desc) {
    auto* b = new (std::nothrow) IDirectSoundBuffer();
    if (!b) return nullptr;
    const WAVEFORMATEX& f = *desc.lpwfxFormat;
    try {
        // New sound memory holds silence of the format: zeros, or the middle value of
        // unsigned 8-bit samples.
        b->voice_.memory = std::make_shared<SampleMemory>(desc.dwBufferBytes);
        if (f.wBitsPerSample == 8) std::fill(b->voice_.memory->begin(), b->voice_.memory->end(), uint8_t(128));
    } catch (const std::bad_alloc&) {
        delete b;
        return nullptr;
    }
    b->flags_ = desc.dwFlags;
    b->bytes_ = desc.dwBufferBytes;
    b->format_ = f;
    b->format_.cbSize = 0;
    b->voice_.frames = desc.dwBufferBytes / f.nBlockAlign;
    b->voice_.channels = f.nChannels;
    b->voice_.bits = f.wBitsPerSample;
    b->voice_.blockAlign = f.nBlockAlign;
    b->voice_.frequency = f.nSamplesPerSec;
    b->Register();
    return b;
}

IDirectSoundBuffer* IDirectSoundBuffer::Duplicate() const {
    auto* b = new (std::nothrow) IDirectSoundBuffer();
    if (!b) return nullptr;
    b->flags_ = flags_;
    b->bytes_ = bytes_;
    b->format_ = format_;
    b->volume_ = volume_;
    b->pan_ = pan_;
    b->voice_ = voice_;
    b->voice_.position = 0;
    b->voice_.playing = false;
    b->voice_.looping = false;
    b->Register();
    return b;
}

void IDirectSoundBuffer::Register() { DsState().voices.push_back(&voice_); }

IDirectSoundBuffer::~IDirectSoundBuffer() {
    if (primary_) {
        if (owner_) owner_->primary_ = nullptr;
        return;
    }
    auto& voices = DsState().voices;
    voices.erase(std::remove(voices.begin(), voices.end(), &voice_), voices.end());
}

uint32_t IDirectSoundBuffer::AddRef() {
    Guard guard(DirectSoundLock());
    return ++refs_;
}

uint32_t IDirectSoundBuffer::Release() {
    Guard guard(DirectSoundLock());
    const uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT IDirectSoundBuffer::GetFormat(WAVEFORMATEX* format, uint32_t size, uint32_t* written) {
    Guard guard(DirectSoundLock());
    if (!format) {
        if (!written) return DSERR_INVALIDPARAM;
        *written = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    if (size < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
    *format = format_;
    if (written) *written = sizeof(WAVEFORMATEX);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* format) {
    Guard guard(DirectSoundLock());
    if (!primary_ || !owner_) return DSERR_INVALIDCALL;
    if (owner_->level_ < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    const HRESULT hr = CheckPcmFormat(format, DsState().caps, true);
    if (hr != DS_OK) return hr;
    format_ = *format;
    format_.cbSize = 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(uint32_t reserved, uint32_t priority, uint32_t flags) {
    Guard guard(DirectSoundLock());
    if (reserved != 0 || priority != 0 || (flags & ~DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
    if (primary_) {
        // The primary buffer plays only as a loop.
        if (!(flags & DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
        primaryPlaying_ = true;
        return DS_OK;
    }
    voice_.looping = (flags & DSBPLAY_LOOPING) != 0;
    voice_.playing = true;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
    Guard guard(DirectSoundLock());
    primaryPlaying_ = false;
    voice_.playing = false;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(uint32_t* status) {
    Guard guard(DirectSoundLock());
    if (!status) return DSERR_INVALIDPARAM;
    const bool playing = primary_ ? primaryPlaying_ : voice_.playing;
    *status = playing ? DSBSTATUS_PLAYING : 0;
    if (playing && (primary_ || voice_.looping)) *status |= DSBSTATUS_LOOPING;
    return DS_OK;
}

uint32_t IDirectSoundBuffer::WriteCursorFrame() const {
    const uint32_t play = uint32_t(voice_.position >> 32);
    if (!voice_.playing) return play;
    const uint32_t lead = uint32_t(uint64_t(voice_.frequency) * kWriteLeadMilliseconds / 1000);
    return uint32_t((uint64_t(play) + lead) % voice_.frames);
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) {
    Guard guard(DirectSoundLock());
    if (primary_) {
        if (play) *play = 0;
        if (write) *write = 0;
        return DS_OK;
    }
    if (play) *play = uint32_t(voice_.position >> 32) * voice_.blockAlign;
    if (write) *write = WriteCursorFrame() * voice_.blockAlign;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(uint32_t offset) {
    Guard guard(DirectSoundLock());
    if (primary_) return DSERR_INVALIDCALL;
    if (offset >= bytes_) return DSERR_INVALIDPARAM;
    voice_.position = uint64_t(std::min(offset / voice_.blockAlign, voice_.frames - 1)) << 32;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* size1,
                                 void** part2, uint32_t* size2, uint32_t flags) {
    Guard guard(DirectSoundLock());
    if (!part1 || !size1) return DSERR_INVALIDPARAM;
    if (primary_) return DSERR_PRIOLEVELNEEDED;
    if (TakeFault(DsState().faults.lock)) return DSERR_BUFFERLOST;
    if (flags & DSBLOCK_FROMWRITECURSOR) offset = WriteCursorFrame() * voice_.blockAlign;
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = bytes_;
    if (offset >= bytes_ || bytes == 0 || bytes > bytes_) return DSERR_INVALIDPARAM;
    uint8_t* base = voice_.memory->data();
    const uint32_t first = std::min(bytes, bytes_ - offset);
    const bool wraps = first < bytes && part2 && size2;
    LockedRegion region{base + offset, first, wraps ? base : nullptr, wraps ? bytes - first : 0};
    locks_.push_back(region);
    *part1 = region.part1;
    *size1 = region.size1;
    if (part2) *part2 = region.part2;
    if (size2) *size2 = region.size2;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void* part1, uint32_t size1, void* part2, uint32_t size2) {
    Guard guard(DirectSoundLock());
    auto match = [&](const LockedRegion& r) {
        return r.part1 == part1 && size1 <= r.size1 && (size2 == 0 || r.part2 == part2) &&
               size2 <= r.size2;
    };
    auto it = std::find_if(locks_.begin(), locks_.end(), match);
    if (it == locks_.end()) return DSERR_INVALIDPARAM;
    locks_.erase(it);
    return DS_OK;
}

void IDirectSoundBuffer::ApplyGains() {
    voice_.gainLeft = AmplitudeQ15(volume_ + std::min(0, -pan_));
    voice_.gainRight = AmplitudeQ15(volume_ + std::min(0, pan_));
}

HRESULT IDirectSoundBuffer::SetVolume(int32_t volume) {
    Guard guard(DirectSoundLock());
    if (primary_ || !(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    volume_ = volume;
    ApplyGains();
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetVolume(int32_t* volume) {
    Guard guard(DirectSoundLock());
    if (!volume) return DSERR_INVALIDPARAM;
    if (primary_ || !(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    *volume = volume_;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetPan(int32_t pan) {
    Guard guard(DirectSoundLock());
    if (primary_ || !(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    pan_ = pan;
    ApplyGains();
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetPan(int32_t* pan) {
    Guard guard(DirectSoundLock());
    if (!pan) return DSERR_INVALIDPARAM;
    if (primary_ || !(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    *pan = pan_;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(uint32_t frequency) {
    Guard guard(DirectSoundLock());
    if (primary_ || !(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency == DSBFREQUENCY_ORIGINAL) frequency = format_.nSamplesPerSec;
    if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
    voice_.frequency = frequency;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFrequency(uint32_t* frequency) {
    Guard guard(DirectSoundLock());
    if (!frequency) return DSERR_INVALIDPARAM;
    if (primary_ || !(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    *frequency = voice_.frequency;
    return DS_OK;
}

}  // namespace host

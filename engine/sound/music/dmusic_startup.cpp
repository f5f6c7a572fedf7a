// Music mode 1's part of sound start-up and shutdown: the DirectMusic loader and
// performance in place of the sound system's own device set-up.
#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/sound/music/music_dmusic.h"
#include "engine/sound/core/sound_state.h"
#include "host/dmusic/direct_music.h"
#include "host/win/system/codepage.h"
#include "host/win/system/wide_text.h"

namespace orvik {

namespace {

constexpr uint32_t kPerformanceChannels = 64;
constexpr int kPortDescriptionBytes = 256;

template <class Interface>
Interface* Create(host::REFCLSID clsid, uint32_t context, host::REFIID iid) {
    auto create = Libraries().CoCreateInstance;
    void* object = nullptr;
    if (!create || create(clsid, nullptr, context, iid, &object) < 0) return nullptr;
    return static_cast<Interface*>(object);
}

void LogPorts(host::IDirectMusic8* music) {
    for (uint32_t index = 0;; ++index) {
        host::DMUS_PORTCAPS caps;
        if (music->EnumPort(index, &caps) != host::S_OK) break;
        char description[kPortDescriptionBytes] = {};
        host::WideCharToMultiByte(host::GetACP(), caps.wszDescription, description, kPortDescriptionBytes);
        AddLogFormat("%s  Device%d:%s ", caps.dwClass == host::DMUS_PC_OUTPUTCLASS ? "出力ポート" : "入力ポート",
                     int(index), description);
    }
}

// The DirectMusic object is made only to list the ports; false with a log line when it
// cannot be had.
bool ListPorts() {
    auto* music = Create<host::IDirectMusic>(host::CLSID_DirectMusic, host::CLSCTX_INPROC_SERVER, host::IID_IDirectMusic);
    if (!music) {
        AddLogText("DirectMusic オブジェクトの取得に失敗しました\n");
        return false;
    }
    void* object = nullptr;
    if (music->QueryInterface(host::IID_IDirectMusic8, &object) < 0 || !object) {
        music->Release();
        AddLogText("DirectMusic8 オブジェクトの取得に失敗しました\n");
        return false;
    }
    auto* music8 = static_cast<host::IDirectMusic8*>(object);
    LogPorts(music8);
    music8->Release();
    music->Release();
    return true;
}

bool InitPerformanceAudio() {
    SoundSystemState& s = Sound();
    host::DMUS_AUDIOPARAMS params;
    params.fInitNow = 1;
    params.dwValidData = host::DMUS_AUDIOPARAMS_FEATURES | host::DMUS_AUDIOPARAMS_SAMPLERATE;
    params.dwFeatures = host::DMUS_AUDIOF_ALL;
    params.dwSampleRate = 44100;
    if (s.performance->InitAudio(nullptr, &s.device, nullptr, host::DMUS_APATH_SHARED_STEREOPLUSREVERB,
                                 kPerformanceChannels, host::DMUS_AUDIOF_ALL, &params) < 0) {
        AddLogText("DirectMusicPerformanceオブジェクトの初期化に失敗しました\n");
        return false;
    }
    return true;
}

}  // namespace

DirectMusicStart StartDirectMusic() {
    SoundSystemState& s = Sound();
    AddLogText("DirectSound8 の初期化を行います\n");
    s.musicLoader = Create<host::IDirectMusicLoader8>(host::CLSID_DirectMusicLoader, host::CLSCTX_INPROC,
                                                      host::IID_IDirectMusicLoader8);
    if (!s.musicLoader) {
        AddLogText("DirectMusicLoader8 オブジェクトの作成に失敗しました\n");
        AddLogText("前バージョンでの初期化処理に移ります\n");
        return DirectMusicStart::kNoLoader;
    }
    s.performance = Create<host::IDirectMusicPerformance8>(host::CLSID_DirectMusicPerformance, host::CLSCTX_INPROC,
                                                           host::IID_IDirectMusicPerformance8);
    if (!s.performance) AddLogText("DirectMusicPerformance オブジェクトの作成に失敗しました\n");
    // What was made is released on a failure: the shutdown that follows does nothing
    // while the DirectSound object is null.
    if (!s.performance || !ListPorts() || !InitPerformanceAudio()) {
        ReleaseDirectMusic();
        return DirectMusicStart::kFailed;
    }
    return DirectMusicStart::kStarted;
}

void ReleaseDirectMusic() {
    SoundSystemState& s = Sound();
    if (s.performance) {
        s.performance->Stop(nullptr, nullptr, 0, 0);
        s.performance->CloseDown();
        s.performance->Release();
        s.performance = nullptr;
    }
    if (s.musicLoader) {
        s.musicLoader->Release();
        s.musicLoader = nullptr;
    }
}

}  // namespace orvik

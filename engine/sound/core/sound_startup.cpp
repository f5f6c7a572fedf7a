// Bringing the sound system up and taking it down.
#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/sound/music/music_dmusic.h"
#include "engine/sound/music/music_mci.h"
#include "engine/sound/core/sound_handles.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"
#include "host/dsound/audio_output.h"
#include "host/win/window/desktop.h"

namespace orvik {

namespace {

constexpr uint32_t kSilentFrames = 100;

template <class F>
void TakeEntry(host::HMODULE module, const char* name, F& entry) {
    entry = reinterpret_cast<F>(host::GetProcAddress(module, name));
}

void LoadAcmFunctions() {
    AcmFunctions& a = Sound().acm;
    if (a.module) return;
    a.module = host::LoadLibraryA("msacm32.dll");
    TakeEntry(a.module, "acmFormatSuggest", a.formatSuggest);
    TakeEntry(a.module, "acmStreamOpen", a.streamOpen);
    TakeEntry(a.module, "acmStreamClose", a.streamClose);
    TakeEntry(a.module, "acmMetrics", a.metrics);
    TakeEntry(a.module, "acmStreamPrepareHeader", a.streamPrepareHeader);
    TakeEntry(a.module, "acmStreamConvert", a.streamConvert);
    TakeEntry(a.module, "acmStreamUnprepareHeader", a.streamUnprepareHeader);
    TakeEntry(a.module, "acmStreamSize", a.streamSize);
}

void FreeAcmFunctions() {
    AcmFunctions& a = Sound().acm;
    if (!a.module) return;
    host::FreeLibrary(a.module);
    a = AcmFunctions{};
}

void DropDevice() {
    SoundSystemState& s = Sound();
    s.device->Release();
    s.device = nullptr;
}

// The primary format follows what the device can play: stereo and 16 bits when it has
// them, and its highest rate up to 44100 Hz.
host::WAVEFORMATEX PrimaryFormatFor(const host::DSCAPS& caps) {
    host::WAVEFORMATEX f;
    f.wFormatTag = host::WAVE_FORMAT_PCM;
    f.nChannels = (caps.dwFlags & host::DSCAPS_PRIMARYSTEREO) ? 2 : 1;
    f.wBitsPerSample = (caps.dwFlags & host::DSCAPS_PRIMARY16BIT) ? 16 : 8;
    f.nSamplesPerSec = caps.dwMaxSecondarySampleRate >= 44100 ? 44100 : caps.dwMaxSecondarySampleRate;
    f.nBlockAlign = uint16_t(f.wBitsPerSample / 8 * f.nChannels);
    f.nAvgBytesPerSec = f.nBlockAlign * f.nSamplesPerSec;
    f.cbSize = 0;
    return f;
}

int CreateDevice() {
    SoundSystemState& s = Sound();
    AddLogText("DirectSound の初期化を行います\n");
    AddLogText("DirectSound インターフェースの取得を行います....  ");
    auto create = Libraries().CoCreateInstance;
    void* object = nullptr;
    if (!create || create(host::CLSID_DirectSound, nullptr, host::CLSCTX_ALL, host::IID_IDirectSound, &object) < 0 ||
        !object) {
        AddLogText("DirectSoundインターフェースの作成に失敗しました\n");
        return -1;
    }
    s.device = static_cast<host::IDirectSound*>(object);
    AddLogText("成功\n");
    AddLogText("引き続きインターフェースの初期化処理...  ");
    const host::HRESULT hr = s.device->Initialize(nullptr);
    if (hr < 0) {
        AddLogText("初期化に失敗しました\n");
        AddLogFormat("エラーコード %x", unsigned(hr));
        DropDevice();
        return -1;
    }
    AddLogText("成功\n");
    if (s.device->SetCooperativeLevel(host::GetDesktopWindow(), host::DSSCL_PRIORITY) != host::DS_OK) {
        AddLogText("DirectSoundの協調レベルの設定に失敗しました\n");
        DropDevice();
        return -1;
    }
    host::DSBUFFERDESC desc;
    desc.dwSize = host::DSBUFFERDESC_SIZE32;
    desc.dwFlags = host::DSBCAPS_PRIMARYBUFFER;
    if (s.device->CreateSoundBuffer(&desc, &s.primary, nullptr) != host::DS_OK) {
        AddLogText("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
        DropDevice();
        return -1;
    }
    host::DSCAPS caps;
    s.device->GetCaps(&caps);
    const host::WAVEFORMATEX primary = PrimaryFormatFor(caps);
    if (s.primary->SetFormat(&primary) != host::DS_OK)
        AddLogText("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
    return 0;
}

// A short silent loop that keeps the output running between effects.
void StartSilentBuffer() {
    SoundSystemState& s = Sound();
    host::WAVEFORMATEX f;
    f.wFormatTag = host::WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 176400;
    host::DSBUFFERDESC desc;
    desc.dwSize = host::DSBUFFERDESC_SIZE32;
    desc.dwFlags = host::DSBCAPS_STATIC | host::DSBCAPS_GLOBALFOCUS;
    desc.dwBufferBytes = f.nBlockAlign * kSilentFrames;
    desc.lpwfxFormat = &f;
    if (s.device->CreateSoundBuffer(&desc, &s.silent, nullptr) != host::DS_OK) {
        s.silent = nullptr;
        AddLogText("無音バッファの作成に失敗しました");
        return;
    }
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (s.silent->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0) != host::DS_OK) {
        AddLogText("無音バッファのロックに失敗しました");
        s.silent->Release();
        s.silent = nullptr;
        return;
    }
    std::memset(p1, 0, n1);
    if (p2) std::memset(p2, 0, n2);
    s.silent->Unlock(p1, n1, p2, n2);
    s.silent->Play(0, 0, host::DSBPLAY_LOOPING);
}

const char* Ok(uint32_t flags, uint32_t bit) { return (flags & bit) ? "OK" : "NO"; }

void LogCapabilities(const host::DSCAPS& caps) {
    AddLogFormat("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ",
                 double(caps.dwMaxSecondarySampleRate) / 1000, double(caps.dwMinSecondarySampleRate) / 1000);
    AddLogFormat("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n",
                 double(caps.dwTotalHwMemBytes) / 1024, double(caps.dwFreeHwMemBytes) / 1024);
    const uint32_t f = caps.dwFlags;
    AddLogText("利用可能サンプリング精度\n");
    AddLogFormat(" プライマリ １６bit = %s  ８bit = %s ", Ok(f, host::DSCAPS_PRIMARY16BIT), Ok(f, host::DSCAPS_PRIMARY8BIT));
    AddLogFormat(" セカンダリ １６bit = %s  ８bit = %s \n", Ok(f, host::DSCAPS_SECONDARY16BIT),
                 Ok(f, host::DSCAPS_SECONDARY8BIT));
    AddLogText("利用可能チャンネル\n");
    AddLogFormat(" プライマリ MONO = %s  STEREO = %s ", Ok(f, host::DSCAPS_PRIMARYMONO), Ok(f, host::DSCAPS_PRIMARYSTEREO));
    AddLogFormat(" セカンダリ MONO = %s  STEREO = %s \n", Ok(f, host::DSCAPS_SECONDARYMONO),
                 Ok(f, host::DSCAPS_SECONDARYSTEREO));
}

// Lists the devices through DSOUND.DLL's enumeration; false when it cannot be reached.
bool EnumerateDevices() {
    host::HMODULE dsound = host::LoadLibraryA("DSOUND.DLL");
    if (!dsound) {
        AddLogText("DSOUND.DLL のロードに失敗しました\n");
        return false;
    }
    auto enumerate = reinterpret_cast<decltype(&host::DirectSoundEnumerateA)>(
        host::GetProcAddress(dsound, "DirectSoundEnumerateA"));
    if (enumerate) enumerate(&EnumSoundDeviceCallback, nullptr);
    else AddLogText("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n");
    host::FreeLibrary(dsound);
    return enumerate != nullptr;
}

// The device list and capabilities; the indentation ends where it began.
void LogDevices() {
    IncLogIndent();
    host::DSCAPS caps;
    Sound().device->GetCaps(&caps);
    AddLogText("DirectSound デバイスを列挙します\n");
    IncLogIndent();
    const bool listed = EnumerateDevices();
    DecLogIndent();
    if (listed) LogCapabilities(caps);
    DecLogIndent();
}

// Everything the sound system holds, let go. The refill thread is joined first, not only
// asked: it must be out of its pass before the tables and the lock it works under go.
void ReleaseSoundSystem() {
    SoundSystemState& s = Sound();
    StopSoundRefillThread();
    CloseSoundCaptureFile();
    DeleteAllSounds(0);
    DeleteAllSoftSoundData();
    DeleteAllSoftSoundPlayers();
    DeleteAllMusicHandles();
    RemoveMusicTempFile();
    ReleaseDirectMusic();
    for (host::IDirectSoundBuffer** b : {&s.primary, &s.silent}) {
        if (!*b) continue;
        (*b)->Stop();
        (*b)->Release();
        *b = nullptr;
    }
    DropDevice();
    host::CloseAudioOutput();
    FreeAcmFunctions();
}

}  // namespace

host::BOOL EnumSoundDeviceCallback(const host::SoundDeviceGuid*, const char* description, const char* module,
                                   void*) {
    AddLogFormat("モジュール名:%15s  ドライバ記述:%s ", module ? module : "", description ? description : "");
    return 1;
}

int InitializeDirectSound() {
    SoundSystemState& s = Sound();
    if (s.device) return -1;
    LoadAcmFunctions();
    if (s.musicMode == 0 && CreateDevice() != 0) return -1;
    if (s.musicMode == 1) {
        const DirectMusicStart started = StartDirectMusic();
        if (started == DirectMusicStart::kFailed) return -1;
        if (started == DirectMusicStart::kNoLoader) {
            s.musicMode = 0;
            return InitializeDirectSound();
        }
    }
    if (!s.device) return -1;  // any other mode has no device to go on with
    host::OpenAudioOutput(44100);
    StartSilentBuffer();
    s.loadMode = 0;
    s.vorbisSampleBytes = 2;
    InitList(&s.streamHead, &s.streamTail);
    InitList(&s.softPlayerHead, &s.softPlayerTail);
    LogDevices();
    DeleteAllSounds(0);
    DeleteAllSoftSoundData();
    DeleteAllSoftSoundPlayers();
    if (SystemInfo().processorCount > 1 && !StartSoundRefillThread()) {
        AddLogText("ストリームサウンド補充用スレッドの作成に失敗しました\n");
        ReleaseSoundSystem();
        return -1;
    }
    AddLogText("DirectSound の初期化は正常に終了しました\n");
    return 0;
}

int TerminateDirectSound() {
    if (!Sound().device) return -1;
    ReleaseSoundSystem();
    AddLogText("DirectSound の終了処理は正常に終了しました\n");
    return 0;
}

}  // namespace orvik

#include "host/mci/midi_synth.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "host/mci/builtin_synth.h"
#include "host/mci/fluid_synth.h"

namespace host {

namespace {

// Synthesisers kept for later plays.
constexpr size_t kKeptSynths = 4;

std::mutex g_searchLock;
std::optional<std::vector<std::string>> g_searchOverride;
std::vector<std::shared_ptr<MidiSynth>> g_kept;  // under g_searchLock, as they follow the search
std::atomic<uint32_t> g_made{0};

std::string PlayerSoundFont() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/sounds/sf2/default-GM.sf2";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/sounds/sf2/default-GM.sf2";
    return {};
}

}  // namespace

std::vector<std::string> SoundFontSearchPaths() {
    std::lock_guard guard(g_searchLock);
    if (g_searchOverride) return *g_searchOverride;
    std::vector<std::string> paths;
    if (const char* named = std::getenv("ORVIK_SOUNDFONT"); named && *named) paths.emplace_back(named);
    if (std::string own = PlayerSoundFont(); !own.empty()) paths.push_back(std::move(own));
    // fluid-soundfont-gm's font is the fuller one; timgm6mb-soundfont's is always there
    // with FluidSynth; default-GM is whichever the system chose.
    for (const char* system : {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                               "/usr/share/sounds/sf2/default-GM.sf2"})
        paths.emplace_back(system);
    return paths;
}

void SetSoundFontSearchPaths(std::vector<std::string> paths) {
    std::lock_guard guard(g_searchLock);
    g_searchOverride = std::move(paths);
    g_kept.clear();
}

void ResetSoundFontSearch() {
    std::lock_guard guard(g_searchLock);
    g_searchOverride.reset();
    g_kept.clear();
}

std::unique_ptr<MidiSynth> MakeMidiSynth(uint32_t rate) {
    ++g_made;
    for (const std::string& path : SoundFontSearchPaths())
        if (std::unique_ptr<MidiSynth> synth = MakeFluidMidiSynth(path, rate)) return synth;
    std::fputs("orvik: no General MIDI sound font could be loaded; MIDI music plays through the built-in synthesiser\n",
               stderr);
    return std::make_unique<BuiltinMidiSynth>();
}

std::shared_ptr<MidiSynth> TakeMidiSynth(uint32_t rate) {
    std::shared_ptr<MidiSynth> synth;
    {
        std::lock_guard guard(g_searchLock);
        auto at = std::find_if(g_kept.begin(), g_kept.end(), [rate](const auto& s) { return s->RendersAt(rate); });
        if (at != g_kept.end()) {
            synth = std::move(*at);
            g_kept.erase(at);
        }
    }
    if (!synth) return MakeMidiSynth(rate);
    synth->Renew();
    return synth;
}

void GiveBackMidiSynth(std::shared_ptr<MidiSynth> synth) {
    std::lock_guard guard(g_searchLock);
    if (synth && g_kept.size() < kKeptSynths) g_kept.push_back(std::move(synth));
}

uint32_t MidiSynthsMade() { return g_made; }

}  // namespace host

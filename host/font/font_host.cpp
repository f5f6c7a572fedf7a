#include "host/font/font_host.h"

#include "host/font/font_host_state.h"
#include "host/font/freetype_source.h"

namespace host {

FontHostState& FontState() {
    static FontHostState state;
    return state;
}

GlyphSource& CurrentGlyphSource(FontHostState& state) {
    if (state.source) return *state.source;
    // The installed fonts' source outlives resets: fontconfig's set-up and the open font
    // files are worth keeping.
    static FreeTypeGlyphSource installed;
    return installed;
}

bool TakeFontFault(int& counter) {
    if (counter < 0) return true;
    if (counter == 0) return false;
    --counter;
    return true;
}

void SetFontFaults(const FontFaults& faults) {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    s.faults = faults;
}

void SetGlyphSource(std::shared_ptr<GlyphSource> source) {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    s.source = std::move(source);
}

size_t LiveFontCount() {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    return s.fonts.size();
}

size_t LiveDcCount() {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    return s.dcs.size();
}

void ResetFontHost() {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    s.dcs.clear();
    s.fonts.clear();
    s.faults = FontFaults{};
    s.source.reset();
}

}  // namespace host

#if defined(__SANITIZE_ADDRESS__)
// fontconfig's configuration parser loses a block or two once per process, inside the
// library, and so does the D-Bus library SDL starts in programs that show text in a
// window; the leak checker of sanitized builds is told to look past both.
// Weak, so that a test program with a list of its own keeps it.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
#endif

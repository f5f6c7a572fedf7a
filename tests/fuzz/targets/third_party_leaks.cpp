// Leaks of the system libraries themselves, with no engine code to mend. fontconfig and
// D-Bus keep caches for the life of the process and never free them. vorbisfile loses a
// serial number list of its own when it fails to open a chained file whose later link is
// damaged (its calls into the engine only read the file, so what the rule passes over is
// the library's own). The host names the first two in a weak default, but clang links its
// sanitizer runtime statically and that runtime's own weak default wins; this strong one
// takes the whole list.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libvorbisfile.so\n";
}

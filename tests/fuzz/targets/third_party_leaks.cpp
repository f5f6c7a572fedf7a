// fontconfig and D-Bus keep caches for the life of the process and never free them. The
// host names them in a weak default, but clang links its sanitizer runtime statically and
// that runtime's own weak default wins; this strong one takes the same list.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

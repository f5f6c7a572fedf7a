// What the leak checker must know about a test program that starts SDL on a display of
// its own and stops it with each test. Linked into every such program once.

// The system's D-Bus library, which SDL starts, and fontconfig, which the on-screen log's
// font loads at start-up, keep blocks they never free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\nleak:libfontconfig.so\n"; }

// Stopping SDL unloads the OpenGL driver it loaded for the window. The leak checker
// cannot read an unloaded library's globals, so the blocks they still point at would be
// reported lost: the libraries stay loaded for the program's life, as they do in a
// program that never stops SDL.
extern "C" int dlclose(void*) { return 0; }

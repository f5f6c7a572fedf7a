// What the sanitizers must know about a test program that starts SDL on a display of its
// own. Linked into every such program once.

// The system's D-Bus library, which SDL starts, and fontconfig, which the on-screen log's
// font loads at start-up, keep blocks they never free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\nleak:libfontconfig.so\n"; }

// The runtime's own record of the thread-local blocks of libraries loaded while running
// (the OpenGL driver SDL loads for the window has such blocks) now and then holds an entry
// at a wild address; at exit the leak checker's thread tracer reads it and crashes, and a
// test that passed fails. Left unrecorded, those blocks are still checked: they come from
// the heap, reached through the thread's block table.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }

// Stopping SDL unloads the OpenGL driver it loaded for the window. The leak checker
// cannot read an unloaded library's globals, so the blocks they still point at would be
// reported lost: the libraries stay loaded for the program's life, as they do in a
// program that never stops SDL.
extern "C" int dlclose(void*) { return 0; }

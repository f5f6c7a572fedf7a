// Libraries loaded by name: a table of the libraries this system offers, each with its
// exported functions. Any library or single export can be made missing, as on a machine
// where it is not installed.
#pragma once
#include "host/win/system/types.h"

namespace host {

using FARPROC = void (*)();

template <class F>
FARPROC AsProc(F f) { return reinterpret_cast<FARPROC>(f); }

// Names compare without case and ".dll" is optional. Each load counts a reference.
HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);
// The program's own module for null, else a loaded library (no reference taken).
HMODULE GetModuleHandleA(const char* name);
// References held on a library (tests check that shutdown unloads everything).
int GetModuleLoadCount(const char* name);

// Adds or replaces one export of a library (the library is made when unknown).
void RegisterModuleExport(const char* module, const char* name, FARPROC proc);
void SetModuleMissing(const char* module, bool missing);
void SetExportMissing(const char* module, const char* name, bool missing);
// Clears the missing marks and the reference counts.
void ResetModules();

}  // namespace host

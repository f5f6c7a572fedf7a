#include "host/win/system/modules.h"

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "host/win/system/builtin_modules.h"
#include "host/win/window/window_state.h"

namespace host {

namespace {
struct Module {
    std::map<std::string, FARPROC> exports;
    std::set<std::string> missingExports;
    bool missing = false;
    int references = 0;
    uintptr_t id = 0;
};

struct ModuleTable {
    std::mutex mutex;
    std::map<std::string, Module> modules;  // by lower-case name without ".dll"
    uintptr_t nextId = 0x100;
    bool builtinsLoaded = false;
};

ModuleTable& Table() {
    static ModuleTable t;
    return t;
}

std::string Key(const char* name) {
    std::string k = detail::LowerName(name);
    if (k.size() > 4 && k.compare(k.size() - 4, 4, ".dll") == 0) k.resize(k.size() - 4);
    return k;
}

Module& Ensure(ModuleTable& t, const std::string& key) {
    Module& m = t.modules[key];
    if (!m.id) m.id = t.nextId++;
    return m;
}

// Called with the table locked: the built-in libraries are listed once, on first use.
void LoadBuiltins(ModuleTable& t) {
    if (t.builtinsLoaded) return;
    t.builtinsLoaded = true;
    for (const BuiltinExport& e : BuiltinExports()) {
        Module& m = Ensure(t, Key(e.module));
        if (e.name) m.exports[e.name] = e.proc;
    }
}

Module* ByHandle(ModuleTable& t, HMODULE module) {
    for (auto& [key, m] : t.modules)
        if (IdFromHandle(module) == m.id) return &m;
    return nullptr;
}

const HMODULE kProgramModule = HandleFromId<HMODULE>(0x400000);
}  // namespace

HMODULE LoadLibraryA(const char* name) {
    if (!name) return nullptr;
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    LoadBuiltins(t);
    auto it = t.modules.find(Key(name));
    if (it == t.modules.end() || it->second.missing) return nullptr;
    ++it->second.references;
    return HandleFromId<HMODULE>(it->second.id);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (!name) return nullptr;
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    Module* m = ByHandle(t, module);
    if (!m || m->missing || m->missingExports.count(name)) return nullptr;
    auto it = m->exports.find(name);
    return it == m->exports.end() ? nullptr : it->second;
}

BOOL FreeLibrary(HMODULE module) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    Module* m = ByHandle(t, module);
    if (!m || m->references <= 0) return 0;
    --m->references;
    return 1;
}

HMODULE GetModuleHandleA(const char* name) {
    if (!name) return kProgramModule;
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.modules.find(Key(name));
    if (it == t.modules.end() || it->second.references <= 0) return nullptr;
    return HandleFromId<HMODULE>(it->second.id);
}

int GetModuleLoadCount(const char* name) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.modules.find(Key(name));
    return it == t.modules.end() ? 0 : it->second.references;
}

void RegisterModuleExport(const char* module, const char* name, FARPROC proc) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    LoadBuiltins(t);
    Ensure(t, Key(module)).exports[name] = proc;
}

void SetModuleMissing(const char* module, bool missing) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    LoadBuiltins(t);
    Ensure(t, Key(module)).missing = missing;
}

void SetExportMissing(const char* module, const char* name, bool missing) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    LoadBuiltins(t);
    auto& set = Ensure(t, Key(module)).missingExports;
    if (missing) set.insert(name);
    else set.erase(name);
}

void ResetModules() {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    for (auto& [key, m] : t.modules) {
        m.missing = false;
        m.missingExports.clear();
        m.references = 0;
    }
}

}  // namespace host

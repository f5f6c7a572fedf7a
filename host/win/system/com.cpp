#include "host/win/system/com.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "host/win/system/builtin_modules.h"

namespace host {

namespace {
struct ComRegistry {
    std::mutex mutex;
    std::map<std::string, ComFactory, std::less<>> classes;
    std::set<std::string, std::less<>> missing;
    bool builtinsLoaded = false;
};

ComRegistry& Registry() {
    static ComRegistry r;
    return r;
}

thread_local int t_initCount = 0;

void LoadBuiltins(ComRegistry& r) {
    if (r.builtinsLoaded) return;
    r.builtinsLoaded = true;
    for (const BuiltinComClass& c : BuiltinComClasses()) r.classes[std::string(c.clsid)] = c.factory;
}
}  // namespace

HRESULT CoInitialize(void*) {
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_initCount > 0) --t_initCount;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (t_initCount == 0) return CO_E_NOTINITIALIZED;
    if (outer) return E_INVALIDARG;  // no class here supports aggregation
    ComFactory factory;
    {
        auto& r = Registry();
        std::lock_guard lock(r.mutex);
        LoadBuiltins(r);
        auto it = r.classes.find(clsid);
        if (it == r.classes.end() || r.missing.count(clsid)) return REGDB_E_CLASSNOTREG;
        factory = it->second;
    }
    return factory(iid, object);
}

void* CoTaskMemAlloc(size_t size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(void* block) { std::free(block); }
void CoFreeUnusedLibraries() {}

void RegisterComClass(REFCLSID clsid, ComFactory factory) {
    auto& r = Registry();
    std::lock_guard lock(r.mutex);
    LoadBuiltins(r);
    r.classes[std::string(clsid)] = factory;
}

void SetComClassMissing(REFCLSID clsid, bool missing) {
    auto& r = Registry();
    std::lock_guard lock(r.mutex);
    if (missing) r.missing.insert(std::string(clsid));
    else if (auto it = r.missing.find(clsid); it != r.missing.end()) r.missing.erase(it);
}

int ComInitCount() { return t_initCount; }

void ResetCom() {
    t_initCount = 0;
    auto& r = Registry();
    std::lock_guard lock(r.mutex);
    r.missing.clear();
}

}  // namespace host

// COM: starting and ending it per thread, and a registry of the classes that
// CoCreateInstance can make. Any class can be made absent for a test.
#pragma once
#include <cstdint>
#include <new>
#include <string_view>

#include "host/win/system/types.h"

namespace host {

// Class and interface ids are names here ("DirectInput", "IDirectInput7A").
using REFCLSID = std::string_view;
using REFIID = std::string_view;

struct IUnknown {
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// Makes an object of the class that offers `iid`; E_NOINTERFACE when it does not.
using ComFactory = HRESULT (*)(REFIID iid, void** object);

constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1, CLSCTX_INPROC_HANDLER = 0x2,
                   CLSCTX_LOCAL_SERVER = 0x4, CLSCTX_ALL = 0x17;

HRESULT CoInitialize(void* reserved);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t context, REFIID iid, void** object);
void* CoTaskMemAlloc(size_t size);
void CoTaskMemFree(void* block);
void CoFreeUnusedLibraries();

void RegisterComClass(REFCLSID clsid, ComFactory factory);
void SetComClassMissing(REFCLSID clsid, bool missing);
// COM starts still open on the calling thread (tests check that shutdown ends COM).
int ComInitCount();
void ResetCom();

// The reference count every host COM object carries.
template <class Interface>
class ComObject : public Interface {
public:
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        uint32_t r = --refs_;
        if (r == 0) delete this;
        return r;
    }

private:
    uint32_t refs_ = 1;
};

// The factory of a class that offers one interface: a new Impl for `offered`,
// E_NOINTERFACE for any other.
template <class Interface, class Impl>
HRESULT CreateComObject(REFIID iid, REFIID offered, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != offered) return E_NOINTERFACE;
    *object = static_cast<Interface*>(new (std::nothrow) Impl());
    return *object ? S_OK : E_OUTOFMEMORY;
}

}  // namespace host

// The libraries and COM classes this system offers from the start. A library listed
// without exports loads but gives null for every function, as one that is installed but
// whose functions the host does not provide.
#pragma once
#include <span>

#include "host/win/system/com.h"
#include "host/win/system/modules.h"

namespace host {

struct BuiltinExport {
    const char* module;
    const char* name;  // null: the library exists with no function of its own
    FARPROC proc;
};

struct BuiltinComClass {
    std::string_view clsid;
    ComFactory factory;
};

std::span<const BuiltinExport> BuiltinExports();
std::span<const BuiltinComClass> BuiltinComClasses();

}  // namespace host

// The host's list of loaded extension modules, by name and version.
#pragma once

#include "library/Export.h"

// Adds a module, or updates the version of one already listed.
BACNET_API void AfxRegisterModule(const char* name, const char* version);
// Removes a module; an unknown name is ignored.
BACNET_API void AfxUnregisterModule(const char* name);

BACNET_API int AfxGetModuleCount();
// Name and version of entry i in load order; NULL when i is out of range.
// Valid until the list next changes.
BACNET_API const char* AfxGetModuleName(int i);
BACNET_API const char* AfxGetModuleVersion(int i);

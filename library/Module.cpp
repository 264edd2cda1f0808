#include "library/Module.h"

#include "host/Modules.h"

namespace {

__attribute__((constructor)) void RegisterModule() {
    AfxRegisterModule(kBACnetCodecModuleName, BACNETCODEC_VERSION);
}

__attribute__((destructor)) void UnregisterModule() { AfxUnregisterModule(kBACnetCodecModuleName); }

}  // namespace

#include "library/detail/Module.h"

#include "host/Modules.h"

namespace {

__attribute__((constructor)) void RegisterModule() {
    AfxRegisterModule(bacnetcodec::detail::kModuleName, BACNETCODEC_VERSION);
}

__attribute__((destructor)) void UnregisterModule() { AfxUnregisterModule(bacnetcodec::detail::kModuleName); }

}  // namespace

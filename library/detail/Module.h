// The library's entry in the host's module list (host/Modules.h). It is
// added when the shared library is loaded and removed when it is unloaded.
#pragma once

namespace bacnetcodec::detail {

constexpr const char kModuleName[] = "bacnetcodec";

}  // namespace bacnetcodec::detail

// What holds once the shared library is loaded.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "host/Modules.h"
#include "library/detail/Module.h"

namespace {

TEST(LoadedLibrary, IsListedWithItsVersion)
{
#ifdef BACNETCODEC_STATIC
    // A static archive has no load event, and the linker drops the unreferenced entry.
    GTEST_SKIP() << "registration happens when the shared library is loaded";
#endif
    int found = -1;
    for (int i = 0; i < AfxGetModuleCount(); ++i)
        if (std::string(AfxGetModuleName(i)) == bacnetcodec::detail::kModuleName)
            found = i;
    ASSERT_GE(found, 0);
    EXPECT_TRUE(std::regex_match(AfxGetModuleVersion(found), std::regex(R"(\d+\.\d+\.\d+)")))
        << AfxGetModuleVersion(found);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "host/Modules.h"

namespace {

// A name registers once (again: a new version), and goes when unregistered.
TEST(Modules, RegisterUpdateUnregister) {
    const int before = AfxGetModuleCount();
    AfxRegisterModule("test.module", "1.0");
    AfxRegisterModule("test.module", "1.1");
    ASSERT_EQ(AfxGetModuleCount(), before + 1);
    EXPECT_STREQ(AfxGetModuleName(before), "test.module");
    EXPECT_STREQ(AfxGetModuleVersion(before), "1.1");
    AfxUnregisterModule("test.module");
    AfxUnregisterModule("test.module");  // unknown names are ignored
    EXPECT_EQ(AfxGetModuleCount(), before);
    EXPECT_EQ(AfxGetModuleName(-1), nullptr);
    EXPECT_EQ(AfxGetModuleVersion(before), nullptr);
}

}  // namespace

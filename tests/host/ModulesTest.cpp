#include <gtest/gtest.h>

#include <string>

#include "host/Modules.h"

namespace {

int IndexOf(const std::string& name) {
    for (int i = 0; i < AfxGetModuleCount(); ++i)
        if (name == AfxGetModuleName(i))
            return i;
    return -1;
}

TEST(Modules, RegisterUpdateUnregister) {
    const int before = AfxGetModuleCount();
    AfxRegisterModule("test.module", "1.0");
    AfxRegisterModule("test.module", "1.1");  // updates, no second entry
    EXPECT_EQ(AfxGetModuleCount(), before + 1);
    const int i = IndexOf("test.module");
    ASSERT_GE(i, 0);
    EXPECT_STREQ(AfxGetModuleVersion(i), "1.1");
    AfxUnregisterModule("test.module");
    AfxUnregisterModule("test.module");  // unknown names are ignored
    EXPECT_EQ(AfxGetModuleCount(), before);
    EXPECT_EQ(IndexOf("test.module"), -1);
    EXPECT_EQ(AfxGetModuleName(-1), nullptr);
    EXPECT_EQ(AfxGetModuleVersion(before), nullptr);
}

}  // namespace

// tests/platform/GuidTest.cpp: random version-4 GUIDs.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/Guid.h"

namespace {

TEST(Guid, FreshVersionFourEachTime) {
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        platform::Guid guid{};
        ASSERT_EQ(platform::NewGuid(&guid), 1);
        EXPECT_EQ(guid.data3 >> 12, 4);
        EXPECT_EQ(guid.data4[0] & 0xC0, 0x80);
        seen.insert(std::string(reinterpret_cast<const char*>(&guid), sizeof guid));
    }
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace

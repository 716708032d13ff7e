// tests/base/SettingsTest.cpp: settings read at their first use and the directory group.
#include <gtest/gtest.h>

#include <string>

#include "base/Settings.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

TEST(FirstUseSettings, AreReadOnceAndKeptAndOnlyExactlyOneSwitchesOn) {
    PluginTree server;
    ForgetFirstUseSettings();
    server.registry.SetDword(kPluginKey, "Case Sensitivity", 1);
    server.registry.SetDword(kPluginKey, "Perform SBLRBL", 3);
    EXPECT_EQ(1, CaseSensitive());
    EXPECT_EQ(3u, PerformSblRbl());
    server.registry.SetDword(kPluginKey, "Case Sensitivity", 0);
    server.registry.SetDword(kPluginKey, "Perform SBLRBL", 0);
    EXPECT_EQ(1, CaseSensitive());
    EXPECT_EQ(3u, PerformSblRbl());
    ForgetFirstUseSettings();  // only exactly 1 switches on
    server.registry.SetDword(kPluginKey, "SpamAssassin Enabled", 2);
    server.registry.SetDword(kPluginKey, "Case Sensitivity", 2);
    EXPECT_EQ(0, SpamAssassinEnabled());
    EXPECT_EQ(0, CaseSensitive());
    EXPECT_EQ(0u, PerformSblRbl());
}

TEST(DirectoryGroup, RefreshSeesAnAdministratorsChange) {
    PluginTree server;
    DirectoryGroup group;
    RefreshDirectoryGroup(&group);
    EXPECT_EQ(server.tree.Join("connectors"), group.connectorRoot);
    server.registry.SetString(kRootKey, "Quarantine Directory", "/srv/quarantine");
    RefreshDirectoryGroup(nullptr);
    SnapshotDirectoryGroup(&group);
    EXPECT_STREQ("/srv/quarantine", group.quarantine);
}

}  // namespace

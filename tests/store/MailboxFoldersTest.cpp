// tests/store/MailboxFoldersTest.cpp: postoffice paths below the mail root and the flag
// that marks a mailbox folder as changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/Settings.h"
#include "store/MailboxFolders.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

class MailboxFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ReadStoreSettings();
        RefreshDirectoryGroup(nullptr);
    }
    std::string Mark(const char* folder) {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(1, MarkFolderChanged("PO", "bob", folder, "ADD", "M1.MAI", 1, 1));
        return ::testing::internal::GetCapturedStdout();
    }

    PluginTree server;
};

// The root is below the mail root, read again when empty, and cut to its buffer.
TEST_F(MailboxFoldersTest, PostofficeRootIsBelowTheMailRoot) {
    ResetSettings();
    char root[kStorePathCapacity];
    EXPECT_EQ(1, PostofficeRootPath(root, sizeof root, "PO"));
    EXPECT_EQ(server.tree.Join("mail") + "\\PO", root);
    char small[8];
    EXPECT_EQ(1, PostofficeRootPath(small, sizeof small, "PO"));
    EXPECT_EQ(server.tree.Join("mail").substr(0, 7), small);
}

// Two deliveries leave one flag with its text; a missing folder still reports the mark.
TEST_F(MailboxFoldersTest, TwoDeliveriesLeaveOneFlagWithTheText) {
    EXPECT_EQ("Folder=Gone::Folder Made Dirty to notify clients\n", Mark("Gone"));
    EXPECT_FALSE(server.tree.Exists("mail/PO/MAILROOT/bob/Gone"));
    fs::create_directories(server.tree.Join("mail/PO/MAILROOT/bob/Inbox"));
    EXPECT_EQ("Folder=Inbox::Folder Made Dirty to notify clients\n", Mark("Inbox"));
    EXPECT_EQ("Folder=Inbox::Folder Made Dirty to notify clients\n", Mark("Inbox"));
    EXPECT_EQ("This file is a flag file that denotes that this folder has been changed",
              server.tree.ReadFile("mail/PO/MAILROOT/bob/Inbox/_CHANGE.DTY"));
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(server.tree.Join("mail/PO/MAILROOT/bob/Inbox")))
        entries += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(1, entries);
}

}  // namespace

// tests/filters/PatternPathTest.cpp: the folder layouts of the three scopes and the pattern
// file a criterion condition names.
#include <gtest/gtest.h>

#include <string>

#include "base/Settings.h"
#include "common/SafeText.h"
#include "filters/FilterSet.h"
#include "filters/ScopePaths.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing_support::PluginTree;

class PatternPathTest : public testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        RefreshDirectoryGroup(nullptr);
    }
    // The path with the configuration directory written as "C".
    std::string Relative(const char* path) const {
        const std::string config = plugin_.tree.Join("config");
        const std::string text = path;
        return text.rfind(config, 0) == 0 ? "C" + text.substr(config.size()) : text;
    }
    FilterSet Set(const char* postoffice, const char* mailbox) const {
        FilterSet set{};
        SafeCopy(set.postoffice, postoffice);
        SafeCopy(set.mailbox, mailbox);
        return set;
    }

    PluginTree plugin_;
};

struct LayoutCase {
    const char* postoffice;
    const char* mailbox;
    ScopeFile file;
    int result;
    const char* path;
};

TEST_F(PatternPathTest, EachScopeHasItsLayout) {
    const LayoutCase cases[] = {
        {"", "", ScopeFile::kFilterTable, 1, "C\\FILTERS\\FILTER.TAB"},
        {"PO", "", ScopeFile::kFilterTable, 1, "C\\Postoffices\\PO\\RULES\\FILTER.TAB"},
        {"PO", "MB", ScopeFile::kFilterTable, 1,
         "C\\Postoffices\\PO\\Mailboxes\\MB\\RULES\\FILTER.TAB"},
        {"", "MB", ScopeFile::kFilterTable, 1, "C\\FILTERS\\FILTER.TAB"},  // no postoffice
        {"", "", ScopeFile::kCriteriaScript, 1, "C\\FILTERS\\CRITERIA\\F7.MES"},
        {"PO", "", ScopeFile::kCriteriaScript, 1, "C\\postoffices\\PO\\rules\\CRITERIA\\F7.MES"},
        {"PO", "MB", ScopeFile::kCriteriaScript, 0, ""},
        {"PO", "MB", ScopeFile::kActionFile, 1,
         "C\\Postoffices\\PO\\Mailboxes\\MB\\RULES\\ACTIONS\\F7.TAB"},
        // Templates are the server's whatever the scope; annotations sit in the folder
        // the postoffice names ("System" for the server's own).
        {"PO", "MB", ScopeFile::kTemplate, 1, "C\\FILTERS\\Templates\\F7.TXT"},
        {"System", "", ScopeFile::kAnnotation, 1, "C\\POSTOFFICES\\System\\Annotations\\F7.TXT"},
    };
    for (const LayoutCase& c : cases) {
        const FilterSet set = Set(c.postoffice, c.mailbox);
        char path[kFilterPathCapacity] = "garbage";
        EXPECT_EQ(c.result, BuildScopePath(set, c.file, "F7", path))
            << c.postoffice << "/" << c.mailbox << " " << c.path;
        EXPECT_EQ(c.path, Relative(path)) << c.postoffice << "/" << c.mailbox;
    }
}

struct PatternCase {
    const char* name;
    const char* postoffice;
    const char* mailbox;
    std::string condition;
    int result;
    const char* path;
};

TEST_F(PatternPathTest, ResolvePatternPathFindsTheNamedFile) {
    const std::string spam = "<REFERENCE><FILE>spam.txt</FILE></REFERENCE>";
    const std::string elsewhere =
        "<REFERENCE><FILE>spam.txt</FILE><PATH>D:\\lists</PATH></REFERENCE>";
    const PatternCase cases[] = {
        {"system file", "", "", spam, 1, "C\\FILTERS\\PATTERNS\\spam.txt"},
        {"postoffice file", "PO", "", spam, 1, "C\\Postoffices\\PO\\RULES\\spam.txt"},
        {"mailbox file", "PO", "MB", spam, 1, "C\\Postoffices\\PO\\Mailboxes\\MB\\RULES\\spam.txt"},
        {"mailbox path", "PO", "MB", elsewhere, 1, "D:\\lists\\spam.txt"},
        {"empty", "PO", "MB", "", 1, "C\\FILTERS\\PATTERNS\\MTAFILTER-GENERAL.TXT"},
        {"no file", "", "", "<REFERENCE><PATH>D:\\x</PATH></REFERENCE>", 0, ""},
        {"lower-case tag", "", "", "<reference><FILE>spam.txt</FILE>", 0, ""},
        {"file name of 254", "", "", "<REFERENCE><FILE>" + std::string(254, 'f') + "</FILE>", 1,
         nullptr},
        {"file name of 255", "", "", "<REFERENCE><FILE>" + std::string(255, 'f') + "</FILE>", 0,
         ""},
    };
    for (const PatternCase& c : cases) {
        const FilterSet set = Set(c.postoffice, c.mailbox);
        char path[kFilterPathCapacity] = "garbage";
        EXPECT_EQ(c.result, ResolvePatternPath(&set, c.condition.c_str(), path, sizeof path))
            << c.name;
        if (c.path != nullptr) {
            EXPECT_EQ(c.path, Relative(path)) << c.name;
        }
    }
}

TEST_F(PatternPathTest, APathThatDoesNotFitIsRefused) {
    const FilterSet set = Set("", "");
    const size_t length =
        plugin_.tree.Join("config").size() + std::string("\\FILTERS\\FILTER.TAB").size();
    char table[kFilterPathCapacity];
    EXPECT_EQ(0, BuildScopePath(set, ScopeFile::kFilterTable, "", table, length));
    EXPECT_STREQ("", table);
    EXPECT_EQ(1, BuildScopePath(set, ScopeFile::kFilterTable, "", table, length + 1));
    const char* condition = "<REFERENCE><FILE>spam.txt</FILE><PATH>D:\\lists</PATH>";
    char path[32];
    EXPECT_EQ(0, ResolvePatternPath(&set, condition, path, 17));  // "D:\lists\spam.txt" is 17
    EXPECT_STREQ("", path);
    EXPECT_EQ(1, ResolvePatternPath(&set, condition, path, 18));
    EXPECT_STREQ("D:\\lists\\spam.txt", path);
}

}  // namespace

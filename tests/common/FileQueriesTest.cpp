// tests/common/FileQueriesTest.cpp: file existence and size by Windows-style path.
#include <gtest/gtest.h>

#include <string>

#include "common/FileQueries.h"
#include "tests/fixtures/TempTree.h"

namespace {

TEST(FileQueries, ReportExistenceAndSize) {
    testing_support::TempTree tree;
    tree.WriteFile("Queue/Message.MAI", "12345");
    tree.WriteFile("Queue/Empty.MAI", "");
    struct Case {
        const char* name;
        const char* relative;
        int exists;
        int size;
    };
    const Case cases[] = {
        {"empty file", "Queue/Empty.MAI", 1, 0},
        {"backslash path", "Queue\\Message.MAI", 1, 5},
        {"wildcard", "Queue/*.MAI", 1, 0},
        {"wildcard without match", "Queue/*.TXT", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = tree.Join(c.relative);
        EXPECT_EQ(FileExists(path.c_str()), c.exists);
        EXPECT_EQ(FileSizeByName(path.c_str()), c.size);
    }
}

}  // namespace

// tests/actions/MimeEntityTest.cpp: reading the Content-Type of an entity's header block.
#include <gtest/gtest.h>

#include <string>

#include "actions/MimeEntity.h"

namespace {

TEST(MimeEntity, ContentTypeParameters) {
    struct Case {
        const char* name;
        const char* headers;
        const char* type;
        const char* boundary;
    } const cases[] = {
        {"folded and quoted", "Content-Type: Multipart/Mixed;\r\n\tboundary=\"a b\"\r\n",
         "multipart/mixed", "a b"},
        {"quoted semicolon and escape, a parameter without value",
         "Content-Type: multipart/mixed; x=\"p;boundary=no\"; flag;\r\n"
         " BOUNDARY=\"a\\\"b;c\"\r\n",
         "multipart/mixed", "a\"b;c"},
        {"none", "Subject: x\r\n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string(c.headers) + "\r\nbody";
        const EntityHeaders headers = ReadEntityHeaders(text, 0, text.size());
        EXPECT_EQ(c.type, headers.mediaType);
        EXPECT_EQ(c.boundary, headers.boundary);
        EXPECT_EQ("body", text.substr(headers.bodyStart));
    }
}

}  // namespace

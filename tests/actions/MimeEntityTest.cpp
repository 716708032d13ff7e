// tests/actions/MimeEntityTest.cpp: reading the Content-Type, encoding and disposition of
// an entity's header block, and where the parts of a multipart begin and end.
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
    };
    const Case cases[] = {
        {"folded and quoted", "Content-Type: Multipart/Mixed;\r\n\tboundary=\"a b\"\r\n",
         "multipart/mixed", "a b"},
        {"token, name in capitals", "content-type: multipart/mixed; BOUNDARY=xyz\r\n",
         "multipart/mixed", "xyz"},
        {"quoted semicolon and escape",
         "Content-Type: multipart/mixed; x=\"p;boundary=no\";\r\n"
         " boundary=\"a\\\"b;c\"\r\n",
         "multipart/mixed", "a\"b;c"},
        {"parameter without value", "Content-Type: multipart/mixed; flag; boundary=k\r\n",
         "multipart/mixed", "k"},
        {"no space after colon", "Content-Type:text/plain;charset=utf-8\r\n", "text/plain", ""},
        {"none", "Subject: x\r\n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string(c.headers) + "\r\nbody";
        const EntityHeaders headers = ReadEntityHeaders(text, 0, text.size());
        EXPECT_EQ(c.type, headers.mediaType);
        EXPECT_EQ(c.boundary, headers.boundary);
        EXPECT_TRUE(headers.hasEmptyLine);
        EXPECT_EQ("body", text.substr(headers.bodyStart));
    }
}

TEST(MimeEntity, PartsLieBetweenDelimiterLines) {
    const std::string body =
        "preamble\r\n--b\r\nA\r\n--bb\r\n--b \r\nB\n--b--\r\nepilogue\r\n--b\r\nC\r\n";
    const std::vector<PartSpan> parts = SplitMultipart(body, 0, body.size(), "b");
    ASSERT_EQ(2u, parts.size());
    EXPECT_EQ("A\r\n--bb\r\n", body.substr(parts[0].begin, parts[0].end - parts[0].begin));
    EXPECT_EQ("B\n", body.substr(parts[1].begin, parts[1].end - parts[1].begin));
    const std::string cut = "--b\r\nA\r\n--b\r\nB";
    const std::vector<PartSpan> open = SplitMultipart(cut, 0, cut.size(), "b");
    ASSERT_EQ(2u, open.size());
    EXPECT_EQ(cut.size(), open[1].end);  // a multipart cut short keeps its last part
}

}  // namespace

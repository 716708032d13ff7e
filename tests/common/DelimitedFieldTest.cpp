// tests/common/DelimitedFieldTest.cpp: field cutting and counting in delimited lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/DelimitedField.h"

namespace {

constexpr char kUntouched[] = "untouched";

struct FieldCase {
    const char* name;
    const char* source;
    const char* delimiter;
    int field;
    char escape;
    int result;
    const char* value;
};

void ExpectField(const FieldCase& c, size_t capacity) {
    SCOPED_TRACE(c.name);
    char destination[64];
    std::strcpy(destination, kUntouched);
    EXPECT_EQ(GetDelimitedField(c.source, c.delimiter, c.field, destination, capacity, c.escape),
              c.result);
    EXPECT_STREQ(destination, c.value);
}

TEST(GetDelimitedField, SelectsFieldByNumber) {
    const FieldCase cases[] = {
        {"first", "a,b,c", ",", 1, 0, 1, "a"},
        {"middle", "a,b,c", ",", 2, 0, 1, "b"},
        {"last", "a,b,c", ",", 3, 0, 1, "c"},
        {"past the last is the last", "a,b,c", ",", 5, 0, 1, "c"},
        {"zero is the first", "a,b,c", ",", 0, 0, 1, "a"},
        {"negative is the first", "a,b,c", ",", -7, 0, 1, "a"},
        {"empty between delimiters", "a,,c", ",", 2, 0, 1, ""},
        {"empty before leading delimiter", ",a", ",", 1, 0, 1, ""},
        {"empty after trailing delimiter", "a,b,", ",", 3, 0, 1, ""},
        {"past trailing delimiter", "a,b,", ",", 9, 0, 1, ""},
        {"long delimiter", "one::two::three", "::", 2, 0, 1, "two"},
        {"long delimiter last", "one::two::three", "::", 3, 0, 1, "three"},
        {"delimiter ignores case", "aXYbxYc", "xy", 3, 0, 1, "c"},
        {"high-bit delimiter",
         "a\xA7"
         "b",
         "\xA7", 2, 0, 1, "b"},
    };
    for (const FieldCase& c : cases) ExpectField(c, 64);
}

TEST(GetDelimitedField, TextWithoutDelimiterHasOnlyTheFirstField) {
    const FieldCase cases[] = {
        {"field 1", "abc", ",", 1, 0, 1, "abc"},
        {"field 0", "abc", ",", 0, 0, 1, "abc"},
        {"field 2 leaves destination", "abc", ",", 2, 0, 0, kUntouched},
        {"empty source", "", ",", 1, 0, 1, ""},
        {"empty source field 2", "", ",", 2, 0, 0, kUntouched},
        {"empty delimiter", "a,b", "", 1, 0, 1, "a,b"},
        {"null delimiter field 2", "a,b", nullptr, 2, 0, 0, kUntouched},
    };
    for (const FieldCase& c : cases) ExpectField(c, 64);
}

TEST(GetDelimitedField, EscapedDelimiterBelongsToTheField) {
    const FieldCase cases[] = {
        {"escaped first", "a\\,b,c", ",", 1, '\\', 1, "a\\,b"},
        {"after escaped", "a\\,b,c", ",", 2, '\\', 1, "c"},
        {"all escaped, field 1", "a\\,b\\,c", ",", 1, '\\', 1, "a\\,b\\,c"},
        {"all escaped, field 2", "a\\,b\\,c", ",", 2, '\\', 0, kUntouched},
        {"escaped in later field", "a,b\\,c,d", ",", 2, '\\', 1, "b\\,c"},
        {"escaped in later field, next", "a,b\\,c,d", ",", 3, '\\', 1, "d"},
        {"leading delimiter cannot be escaped", ",a", ",", 2, '\\', 1, "a"},
        {"escape not given", "a\\,b,c", ",", 1, 0, 1, "a\\"},
        {"escaped long delimiter", "a\\::b::c", "::", 2, '\\', 1, "c"},
    };
    for (const FieldCase& c : cases) ExpectField(c, 64);
}

TEST(GetDelimitedField, FieldThatDoesNotFitIsEmptied) {
    // Capacity 4 holds three characters and the terminator.
    const FieldCase cases[] = {
        {"first field as long as capacity", "abcd,x", ",", 1, 0, 0, ""},
        {"middle field as long as capacity", "x,abcd,y", ",", 2, 0, 0, ""},
        {"last field as long as capacity", "x,abcd", ",", 2, 0, 0, ""},
        {"whole text as long as capacity", "abcd", ",", 1, 0, 0, ""},
        {"one less fits", "x,abc", ",", 2, 0, 1, "abc"},
    };
    for (const FieldCase& c : cases) ExpectField(c, 4);
}

TEST(GetDelimitedField, NeverWritesPastCapacity) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetDelimitedField("abcdefgh,x", ",", 1, buffer, 4, 0), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(std::string(buffer + 1, 7), "#######");
    EXPECT_EQ(GetDelimitedField("abc", ",", 1, buffer, 0, 0), 0);
    EXPECT_EQ(buffer[0], '\0');
}

TEST(GetDelimitedField, ArrayOverloadUsesArraySize) {
    char small[3];
    EXPECT_EQ(GetDelimitedField("ab;abc", ";", 1, small), 1);
    EXPECT_STREQ(small, "ab");
    EXPECT_EQ(GetDelimitedField("ab;abc", ";", 2, small), 0);
    EXPECT_STREQ(small, "");
}

TEST(CountDelimitedFields, CountsDelimitersAfterTheFirstCharacter) {
    struct Case {
        const char* name;
        const char* text;
        const char* delimiter;
        int count;
    };
    const Case cases[] = {
        {"empty", "", ",", 0},
        {"one field", "a", ",", 1},
        {"leading delimiter not counted", ",a", ",", 1},
        {"trailing delimiter", "a,", ",", 2},
        {"three fields", "a,b,c", ",", 3},
        {"only delimiters", ",,,", ",", 3},
        {"case-sensitive", "aXb", "x", 1},
        {"long delimiter", "a::b::c", "::", 3},
        {"overlapping hits count", "a:::b", "::", 3},
        {"empty delimiter", "abc", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CountDelimitedFields(c.text, c.delimiter), c.count);
    }
}

TEST(CountDelimitedFields, StopsAtTheMaximum) {
    const std::string many(3 * kMaxDelimitedFields, ',');
    EXPECT_EQ(CountDelimitedFields(("a" + many).c_str(), ","), kMaxDelimitedFields);
}

}  // namespace

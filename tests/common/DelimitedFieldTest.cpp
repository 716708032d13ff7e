// tests/common/DelimitedFieldTest.cpp: field cutting and counting in delimited lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/DelimitedField.h"

namespace {

std::string Field(const char* source, const char* delimiter, int field, char escape = 0,
                  size_t capacity = 64, int expectedResult = 1) {
    char destination[64] = "untouched";
    EXPECT_EQ(GetDelimitedField(source, delimiter, field, destination, capacity, escape),
              expectedResult)
        << source << " field " << field;
    return destination;
}

TEST(GetDelimitedField, NumbersOutOfRangeAndDelimitersAreReadLeniently) {
    EXPECT_EQ(Field("a,b,c", ",", 0), "a");
    EXPECT_EQ(Field("a,b,c", ",", 5), "c");  // past the last is the last
    EXPECT_EQ(Field("a,,c", ",", 2), "");
    EXPECT_EQ(Field("aXYbxYc", "xy", 3), "c");  // the delimiter ignores case
    EXPECT_EQ(Field("one::two::three", "::", 2), "two");
    EXPECT_EQ(Field("abc", ",", 2, 0, 64, 0), "untouched");
}

TEST(GetDelimitedField, EscapedDelimiterBelongsToTheField) {
    EXPECT_EQ(Field("a\\,b,c", ",", 1, '\\'), "a\\,b");
    EXPECT_EQ(Field("a\\,b\\,c", ",", 2, '\\', 64, 0), "untouched");
    EXPECT_EQ(Field(",a", ",", 2, '\\'), "a");  // a leading delimiter cannot be escaped
    EXPECT_EQ(Field("a\\::b::c", "::", 2, '\\'), "c");
}

TEST(GetDelimitedField, FieldThatDoesNotFitIsEmptiedAndNothingIsWrittenPastCapacity) {
    EXPECT_EQ(Field("x,abcd,y", ",", 2, 0, 4, 0), "");
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetDelimitedField("abcdefgh,x", ",", 1, buffer, 4, 0), 0);
    EXPECT_EQ(std::string(buffer, 8), std::string("\0#######", 8));
}

TEST(CountDelimitedFields, CountsDelimitersAfterTheFirstCharacterUpToTheMaximum) {
    EXPECT_EQ(CountDelimitedFields(",a", ","), 1);
    EXPECT_EQ(CountDelimitedFields("a,", ","), 2);
    EXPECT_EQ(CountDelimitedFields("aXb", "x"), 1);  // unlike the cutter, case-sensitive
    EXPECT_EQ(CountDelimitedFields("a:::b", "::"), 3);
    const std::string many(3 * kMaxDelimitedFields, ',');
    EXPECT_EQ(CountDelimitedFields(("a" + many).c_str(), ","), kMaxDelimitedFields);
}

}  // namespace

#include "settings/parse_int_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

struct ParseCase {
    const char* name;
    const char* text;
    int n;
    int count;
    std::vector<int> values;   // all n values, unfound ones 0
};

class ParseIntListTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseIntListTable, FindsUpToNNumbers)
{
    const ParseCase& c = GetParam();
    std::vector<int> values(c.n, -99);
    EXPECT_EQ(ParseIntList(c.text, values.data(), c.n), c.count);
    EXPECT_EQ(values, c.values);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseIntListTable,
    ::testing::Values(ParseCase{"calendar_place", "5, 0, 0", 3, 3, {5, 0, 0}},
                      ParseCase{"mixed_separators_stop_at_n", "1;2 3,4", 3, 3, {1, 2, 3}},
                      ParseCase{"no_digits", "abc", 3, 0, {0, 0, 0}},
                      ParseCase{"too_large_clamps", "99999999999", 1, 1, {INT_MAX}},
                      ParseCase{"too_small_clamps", "-99999999999, 4", 2, 2, {INT_MIN, 4}},
                      ParseCase{"negative", "-5, -7", 2, 2, {-5, -7}},
                      ParseCase{"comma_without_blank", "1,2", 4, 2, {1, 2, 0, 0}},
                      ParseCase{"fewer_than_n", "7", 3, 1, {7, 0, 0}},
                      ParseCase{"empty", "", 2, 0, {0, 0}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(ParseIntList, ReadsOnlyTheFirst256Characters)
{
    std::string text(254, ' ');
    text += "12345";   // cut to "12" at 256 characters
    int v = 0;
    EXPECT_EQ(ParseIntList(text.c_str(), &v, 1), 1);
    EXPECT_EQ(v, 12);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/text/append_format.h"

namespace {

TEST(AppendFormat, AppendsAndCutsAtTheBufferEnd)
{
    struct Case {
        const char* before;
        size_t size;
        const char* added;
        const char* after;
    };
    const Case cases[] = {
        {"", 16, "abc", "abc"},
        {"ab", 16, "cd", "abcd"},
        {"ab", 5, "cdef", "abcd"},
        {"abcd", 5, "e", "abcd"},
        {"", 1, "a", ""},
    };
    for (const Case& c : cases) {
        char buffer[32];
        memset(buffer, 'X', sizeof(buffer));
        strcpy(buffer, c.before);
        AppendFormat(buffer, c.size, "%s", c.added);
        EXPECT_STREQ(buffer, c.after) << c.before << " + " << c.added << " in " << c.size;
        EXPECT_EQ(buffer[c.size], 'X') << "written past the buffer";
    }
}

TEST(AppendFormat, AFullUnterminatedBufferIsLeftAlone)
{
    char buffer[8];
    memset(buffer, 'Y', sizeof(buffer));
    AppendFormat(buffer, 4, "%d", 12);
    EXPECT_EQ(std::string(buffer, 8), "YYYYYYYY");
}

}  // namespace

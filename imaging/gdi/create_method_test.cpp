// The bitmap creation method: only 1 selects DIB sections, and each thread
// keeps its own choice.
#include <gtest/gtest.h>

#include <thread>

#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

TEST(CreationMethod, OnlyOneSetsTheFlag)
{
    const struct {
        int32_t method;
        int32_t flag;
    } cases[] = {{1, 1}, {0, 0}, {1, 1}, {7, 0}, {1, 1}, {-1, 0}, {1, 1}, {2, 0}, {1, 1}, {INT32_MIN, 0}};
    for (const auto& c : cases) {
        is5_SetLastErrorProxy(9);
        is5_SetHBITMAPCreateMethod(c.method);
        EXPECT_EQ(ISGetThreadState()->hbitmapCreateMethod, c.flag) << "method " << c.method;
        EXPECT_EQ(ISGetLastError(), 0);
    }
}

TEST(CreationMethod, OtherThreadsKeepTheirs)
{
    is5_SetHBITMAPCreateMethod(1);
    int32_t other = -1, otherAfter = -1;
    std::thread t([&] {
        other = ISGetThreadState()->hbitmapCreateMethod;
        is5_SetHBITMAPCreateMethod(1);
        otherAfter = ISGetThreadState()->hbitmapCreateMethod;
    });
    t.join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(otherAfter, 1);
    is5_SetHBITMAPCreateMethod(0);
    EXPECT_EQ(ISGetThreadState()->hbitmapCreateMethod, 0);
}

}  // namespace

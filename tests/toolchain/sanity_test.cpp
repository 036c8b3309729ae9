#include <gtest/gtest.h>

#include "imaging/platform/winshim.h"

TEST(Platform, GlobalBlocksAreZeroFilledAndSized)
{
    HGLOBAL h = GlobalAlloc(GMEM_ZEROINIT, 100);
    ASSERT_NE(h, nullptr);
    const unsigned char* p = static_cast<const unsigned char*>(GlobalLock(h));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(p[i], 0);
    GlobalUnlock(h);
    EXPECT_GE(GlobalSize(h), 100u);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

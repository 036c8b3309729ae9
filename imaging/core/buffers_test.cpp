#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "core/buffers.h"
#include "core/frame.h"

namespace {

TEST(OutBufAllocator, RefusesZeroAndOverTheLimit)
{
    CISOutBufAllocator a;
    EXPECT_FALSE(a.Alloc(0));
    EXPECT_EQ(a.GetData(), nullptr);
    EXPECT_FALSE(a.Alloc(2147348479ull));
    EXPECT_EQ(a.GetData(), nullptr);
    // An unreduced width x height x 3 product of a hostile header.
    EXPECT_FALSE(a.Alloc(uint64_t(0x10000) * 0x10000 * 3));
}

TEST(OutBufAllocator, ZeroFilledGlobalBlock)
{
    CISOutBufAllocator a;
    ASSERT_TRUE(a.Alloc(16));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(a.GetData()[i], 0);
    EXPECT_GE(GlobalSize(a.GetBuffer()), 16u);
    void* buffer = a.Release();
    EXPECT_EQ(a.GetData(), nullptr);
    EXPECT_EQ(GlobalFree(buffer), nullptr);
}

TEST(OutBufAllocator, ReallocKeepsTheContents)
{
    CISOutBufAllocator a;
    ASSERT_TRUE(a.Alloc(16));
    std::memcpy(a.GetData(), "0123456789abcdef", 16);
    ASSERT_TRUE(a.Realloc(100000));
    EXPECT_EQ(std::memcmp(a.GetData(), "0123456789abcdef", 16), 0);
    EXPECT_FALSE(a.Realloc(2147348479ull));
    EXPECT_EQ(std::memcmp(a.GetData(), "0123456789abcdef", 16), 0) << "a failed realloc keeps the block";
    EXPECT_TRUE(a.Free());
    EXPECT_EQ(a.GetData(), nullptr);
}

TEST(OutBufAllocator, TakeOverMovesTheBuffer)
{
    CISOutBufAllocator a, b;
    ASSERT_TRUE(a.Alloc(8));
    ASSERT_TRUE(b.Alloc(8));
    void* bBuffer = b.GetBuffer();
    a.TakeOver(b);
    EXPECT_EQ(a.GetBuffer(), bBuffer);
    EXPECT_EQ(b.GetData(), nullptr);
    a.TakeOver(a);
    EXPECT_EQ(a.GetBuffer(), bBuffer);
    a.Free();
}

int g_allocCalls = 0;
int g_freeCalls = 0;
void* TestAlloc(intptr_t bytes, intptr_t user)
{
    ++g_allocCalls;
    EXPECT_EQ(user, 42);
    return std::malloc(size_t(bytes));
}
void* TestRealloc(void* block, intptr_t bytes, intptr_t) { return std::realloc(block, size_t(bytes)); }
BOOL TestFree(void* block, intptr_t)
{
    ++g_freeCalls;
    std::free(block);
    return TRUE;
}

TEST(OutBufAllocator, ApplicationCallbacksWhenSet)
{
    std::thread t([] {
        ISThreadState* state = ISGetThreadState();
        state->allocCallback = TestAlloc;
        state->reallocCallback = TestRealloc;
        state->freeCallback = TestFree;
        state->allocUser = 42;
        CISOutBufAllocator a;
        ASSERT_TRUE(a.Alloc(10));
        EXPECT_EQ(g_allocCalls, 1);
        EXPECT_EQ(a.GetBuffer(), a.GetData());
        std::memcpy(a.GetData(), "abcdefghij", 10);
        ASSERT_TRUE(a.Realloc(20));
        EXPECT_EQ(std::memcmp(a.GetData(), "abcdefghij", 10), 0);
        EXPECT_TRUE(a.Free());
        EXPECT_EQ(g_freeCalls, 1);

        ISAllocCallback alloc = nullptr;
        ISReallocCallback realloc = nullptr;
        ISFreeCallback free = nullptr;
        intptr_t user = 0;
        ISGetAllocCallbacks(&alloc, &realloc, &free, &user);
        EXPECT_EQ(alloc, &TestAlloc);
        EXPECT_EQ(realloc, &TestRealloc);
        EXPECT_EQ(free, &TestFree);
        EXPECT_EQ(user, 42);

        // The internal allocator never uses them.
        CISInternalAllocator internal;
        ASSERT_TRUE(internal.Alloc(10));
        EXPECT_EQ(g_allocCalls, 1);
    });
    t.join();
}

TEST(InternalAllocator, FreesOnDestructionAndRealloc)
{
    CISInternalAllocator a;
    EXPECT_FALSE(a.Alloc(0));
    ASSERT_TRUE(a.Alloc(4));
    std::memcpy(a.GetData(), "wxyz", 4);
    ASSERT_TRUE(a.Realloc(4096));
    EXPECT_EQ(std::memcmp(a.GetData(), "wxyz", 4), 0);
    EXPECT_TRUE(a.Alloc(8));  // frees the old block (ASan would see a leak)
    EXPECT_EQ(a.GetData()[0], 0);
}

TEST(Arrays, ResizeRules)
{
    ISArray<int32_t> a(4);
    ASSERT_EQ(a.Count(), 4);
    a.Fill(7);
    a[2] = 9;
    EXPECT_TRUE(a.Resize(4));
    EXPECT_EQ(a[0], 7);
    EXPECT_EQ(a[2], 9);
    EXPECT_FALSE(a.Resize(-1));
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.GetData(), nullptr);
    EXPECT_TRUE(a.Resize(3));
    EXPECT_TRUE(a.Resize(0));
    EXPECT_EQ(a.GetData(), nullptr);
    ISArray<double> big;
    EXPECT_FALSE(big.Resize(0x20000000));
    EXPECT_EQ(big.Count(), 0);
    ISArray<BYTE> bytes;
    EXPECT_TRUE(bytes.Assign(reinterpret_cast<const BYTE*>("abc"), 3));
    EXPECT_EQ(bytes[2], 'c');
}

TEST(Utilities, SmallHelpers)
{
    EXPECT_EQ(ISMax16(3, 65535), 65535);
    EXPECT_EQ(ISMin16(3, 65535), 3);
    uint16_t v = 0x1234;
    ISSwap16(&v);
    EXPECT_EQ(v, 0x3412);
    EXPECT_EQ(ISClamp(-5, 0, 255), 0);
    EXPECT_EQ(ISClamp(300, 0, 255), 255);
    EXPECT_EQ(ISClamp(17, 0, 255), 17);
}

}  // namespace

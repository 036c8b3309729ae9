#include <gtest/gtest.h>

#include <cstring>

#include "core/frame.h"
#include "core/io.h"

namespace {

BOOL NoProgress(int32_t, int32_t, void*) { return TRUE; }

TEST(ExtHook, TableServesSourcesAndTheThreadState)
{
    ISExtHookTable* table = is5_GetExtHook(7);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(ISGetLastError(), 0);
    EXPECT_EQ(table->size, int32_t(sizeof(ISExtHookTable)));
    EXPECT_EQ(table->value, 7);
    EXPECT_EQ(table->reserved, nullptr);

    HISSRC source = is5_OpenMemorySource("ABCDEFGHIJ", 10);
    char buffer[8] = {};
    EXPECT_EQ(table->read(source, buffer, 4), 4);
    EXPECT_EQ(std::memcmp(buffer, "ABCD", 4), 0);
    int32_t position = 0, size = 0;
    EXPECT_TRUE(table->tell(source, &position));
    EXPECT_EQ(position, 4);
    EXPECT_TRUE(table->getSize(source, &size));
    EXPECT_EQ(size, 10);
    EXPECT_FALSE(table->eof(source));
    EXPECT_TRUE(table->seek(source, 0, 2));
    EXPECT_TRUE(table->eof(source));
    is5_CloseSource(source);

    BYTE block[4] = {};
    CISIO_Memory sink;
    sink.AttachWrite(block, 4, FALSE);
    EXPECT_TRUE(table->write(ISToHandle(&sink), "xyz", 3));
    EXPECT_FALSE(table->write(ISToHandle(&sink), "xyz", 3));
    EXPECT_EQ(block[2], 'z');

    int marker = 0;
    is5_SetCallback(NoProgress, &marker);
    void* user = nullptr;
    EXPECT_EQ(table->getCallback(&user), &NoProgress);
    EXPECT_EQ(user, &marker);
    is5_SetCallback(nullptr, nullptr);

    table->setLastError(1000);
    EXPECT_EQ(ISGetLastError(), 1000);
    EXPECT_EQ(ISTestErrorLog().back().message.rfind("Error 1000 in is5_SetLastErrorProxy (", 0), 0u);

    EXPECT_EQ(GlobalFree(table), nullptr);
}

}  // namespace

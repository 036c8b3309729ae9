// The month pictures as resources of the program file, read as the screen
// saver reads them: vesko.exe loaded as a data file.
#include <gtest/gtest.h>

#include <cstdio>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

struct Decoded {
    uint32_t width = 0, height = 0;
};

Decoded DecodeResource(HMODULE module, const char* name, const char* type)
{
    Decoded size;
    HRSRC res = FindResourceA(module, name, type);
    if (!res)
        return size;
    const void* data = LockResource(LoadResource(module, res));
    HISSRC source = is5_OpenMemorySource(data, (int32_t)SizeofResource(module, res));
    if (!source)
        return size;
    void* pixels = is5_ReadImage(source, &size.width, &size.height, 0, 0);
    is5_CloseSource(source);
    if (!pixels)
        return Decoded();
    GlobalFree(pixels);
    return size;
}

class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExA(vt::BuildPath("bin/vesko.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

class MonthResource : public ProgramFile, public ::testing::WithParamInterface<int> {};

TEST_P(MonthResource, KalenderAndPreviewDecodeAtTheirSizes)
{
    char name[8];
    std::snprintf(name, sizeof name, "C%02dX", GetParam());
    Decoded picture = DecodeResource(module_, name, "KALENDER");
    EXPECT_GE(picture.width, 1280u) << name;
    EXPECT_LE(picture.width, 1753u) << name;
    EXPECT_GE(picture.height, 1024u) << name;
    EXPECT_LE(picture.height, 1200u) << name;
    Decoded preview = DecodeResource(module_, name, "PREVIEW");
    EXPECT_EQ(preview.width, 150u) << name;
    EXPECT_EQ(preview.height, 112u) << name;
}

INSTANTIATE_TEST_SUITE_P(Months, MonthResource, ::testing::Range(1, 13));

TEST_F(ProgramFile, MonthCountStillSaysTwelve)
{
    HRSRC res = FindResourceA(module_, "C00X", "KALENDER");
    ASSERT_NE(res, nullptr);
    ASSERT_EQ(SizeofResource(module_, res), 512u);
    const uint8_t* data = (const uint8_t*)LockResource(LoadResource(module_, res));
    EXPECT_EQ(data[0] | data[1] << 8 | data[2] << 16 | (uint32_t)data[3] << 24, 12u);
}

}  // namespace

// The committed month pictures, their previews and their credits.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

std::string AssetPath(const std::string& name)
{
    std::string here = __FILE__;
    return vt::HostPath(here.substr(0, here.find_last_of("/\\")) + "/assets/" + name);
}

struct Size {
    uint32_t width = 0, height = 0;
};

// Decodes a picture file whole through the generic reader; 0 x 0 when it does not.
Size DecodedSize(const std::string& path)
{
    Size size;
    HISSRC source = is5_OpenFileSource(path.c_str());
    if (!source)
        return size;
    void* pixels = is5_ReadImage(source, &size.width, &size.height, 0, 0);
    is5_CloseSource(source);
    if (!pixels)
        return Size();
    GlobalFree(pixels);
    return size;
}

std::string MonthName(const char* prefix, int month)
{
    char name[16];
    std::snprintf(name, sizeof name, "%s%02dx.jpg", prefix, month);
    return name;
}

class MonthPicture : public ::testing::TestWithParam<int> {};

TEST_P(MonthPicture, DecodesWithinTheScreenSizesAndHasA150x112Preview)
{
    Size picture = DecodedSize(AssetPath(MonthName("c", GetParam())));
    EXPECT_GE(picture.width, 1280u);
    EXPECT_LE(picture.width, 1753u);
    EXPECT_GE(picture.height, 1024u);
    EXPECT_LE(picture.height, 1200u);
    Size preview = DecodedSize(AssetPath(MonthName("p", GetParam())));
    EXPECT_EQ(preview.width, 150u);
    EXPECT_EQ(preview.height, 112u);
}

INSTANTIATE_TEST_SUITE_P(Months, MonthPicture, ::testing::Range(1, 13));

TEST(MonthPictureCredits, NameATitlePackageFileAuthorAndLicenceForEachMonth)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(AssetPath("CREDITS"), &bytes));
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    // Entries are "key: value" blocks that start with "month:".
    std::map<int, std::map<std::string, std::string>> entries;
    int month = 0;
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t colon = line.find(": ");
        if (colon == std::string::npos || line.find(' ') < colon)
            continue;
        std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        if (key == "month") {
            month = std::atoi(value.c_str());
            EXPECT_EQ(entries.count(month), 0u) << "month " << month << " twice";
            entries[month];
        } else if (month) {
            entries[month][key] = value;
        }
    }
    ASSERT_EQ(entries.size(), 12u);
    for (int m = 1; m <= 12; m++) {
        ASSERT_EQ(entries.count(m), 1u) << "month " << m;
        for (const char* key : {"title", "package", "file", "author", "licence"})
            EXPECT_FALSE(entries[m][key].empty()) << "month " << m << " " << key;
    }
}

}  // namespace

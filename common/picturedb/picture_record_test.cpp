#include "common/picturedb/picture_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> Encode(const PictureRecord& record)
{
    std::vector<uint8_t> bytes(PICTURE_RECORD_SIZE);
    EncodePictureRecord(&record, bytes.data());
    return bytes;
}

TEST(PictureRecord, BuiltinRecordForPictureThreeHasTheFileLayout)
{
    std::vector<uint8_t> expected(PICTURE_RECORD_SIZE, 0);
    const uint8_t head[40] = {0x4D, 0, 4, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0x7F, 0, 0, 0, 0x18, 0, 1,    0,
                              0x0C, 0, 1, 0, 0, 0, 0, 0, 0x18, 0, 0, 0, 0x58, 2, 0, 0, 0, 0, 0, 0};
    memcpy(expected.data(), head, sizeof(head));
    memcpy(expected.data() + 40, "Courier New", 11);
    expected[72] = 1;
    expected[78] = expected[79] = expected[80] = 0x80;
    expected[98] = 5;
    memcpy(expected.data() + 102, "C03X", 4);
    memcpy(expected.data() + 362, "C03X", 4);

    PictureRecord record;
    MakeBuiltinPictureRecord(3, &record);
    std::vector<uint8_t> bytes = Encode(record);
    EXPECT_EQ(bytes, expected);

    PictureRecord decoded;
    DecodePictureRecord(bytes.data(), &decoded);
    EXPECT_EQ(Encode(decoded), expected);
}

TEST(PictureRecord, EveryFieldRoundTripsAtItsOffset)
{
    // Distinct bytes everywhere but the text terminators.
    std::vector<uint8_t> bytes(PICTURE_RECORD_SIZE);
    for (int i = 0; i < PICTURE_RECORD_SIZE; i++)
        bytes[i] = (uint8_t)(i * 37 + 11) | 1;
    bytes[PRO_FONT_FACE + PICTURE_FACE_SIZE - 1] = 0;
    bytes[PRO_PICTURE + PICTURE_PATH_SIZE - 1] = 0;
    bytes[PRO_THUMBNAIL + PICTURE_PATH_SIZE - 1] = 0;
    PictureRecord record;
    DecodePictureRecord(bytes.data(), &record);
    EXPECT_EQ(Encode(record), bytes);
    EXPECT_EQ(record.state, bytes[10] | bytes[11] << 8);
    EXPECT_EQ((uint32_t)record.saturationStep,
              bytes[98] | bytes[99] << 8 | bytes[100] << 16 | (uint32_t)bytes[101] << 24);
}

TEST(PictureRecord, HostileFieldsDecodeWithinTheirBounds)
{
    // Unterminated texts, state 65535, hour 99, month 0.
    std::vector<uint8_t> bytes(PICTURE_RECORD_SIZE, 'A');
    bytes[10] = bytes[11] = 0xFF;
    bytes[14] = 99, bytes[15] = 0;
    bytes[18] = bytes[19] = 0;
    PictureRecord record;
    DecodePictureRecord(bytes.data(), &record);
    EXPECT_EQ(strlen(record.fontFace), (size_t)PICTURE_FACE_SIZE - 1);
    EXPECT_EQ(strlen(record.picture), (size_t)PICTURE_PATH_SIZE - 1);
    EXPECT_EQ(strlen(record.thumbnail), (size_t)PICTURE_PATH_SIZE - 1);
    EXPECT_EQ(record.state, 65535);
    EXPECT_EQ(record.hourFrom, 99);
    EXPECT_EQ(record.monthFrom, 0);
    EXPECT_FALSE(IsBuiltinPicture(record.picture));
    EXPECT_FALSE(IsUserPicture(record.picture));
    EXPECT_FALSE(IsUserPictureBytes(bytes.data()));
}

struct NameCase {
    const char* picture;
    bool builtin;
    bool user;
};

class PictureNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(PictureNames, BuiltinAndUserPicturesByLengthDotAndColon)
{
    const NameCase& c = GetParam();
    char field[PICTURE_PATH_SIZE] = {};
    strncpy(field, c.picture, sizeof(field) - 1);
    EXPECT_EQ(IsBuiltinPicture(field), c.builtin) << c.picture;
    EXPECT_EQ(IsUserPicture(field), c.user) << c.picture;
}

INSTANTIATE_TEST_SUITE_P(Table, PictureNames,
                         ::testing::Values(NameCase{"C01X", true, false}, NameCase{"", true, false},
                                           NameCase{"ABCD", true, false}, NameCase{"A.BC", false, false},
                                           NameCase{"C:", false, false}, NameCase{"ABCDE", false, false},
                                           NameCase{"a.jpg", false, true}, NameCase{"C:\\x", false, false},
                                           NameCase{"C:\\bild.jpg", false, true},
                                           NameCase{"\\\\srv:x", false, true}));

TEST(PictureRecord, OlderRecordFieldsMoveToTheirNewOffsets)
{
    struct Field {
        int from, size, to;
    };
    const Field fields[] = {{4, 2, 10},  {6, 2, 12},  {8, 2, 14},  {10, 2, 16}, {12, 2, 18},  {14, 2, 20},
                            {16, 2, 22}, {18, 2, 24}, {20, 2, 26}, {22, 4, 28}, {26, 4, 32},  {30, 4, 36},
                            {34, 32, 40}, {66, 2, 72}, {68, 4, 74}, {72, 4, 78}, {76, 260, 102}, {336, 260, 362}};
    std::vector<uint8_t> old(PICTURE_RECORD_V3_SIZE, 0xEE);
    for (const Field& f : fields)
        for (int i = 0; i < f.size; i++)
            old[f.from + i] = (uint8_t)(f.to + i + 1);
    for (int end : {34 + 31, 76 + 259, 336 + 259})
        old[end] = 0;
    PictureRecord record;
    DecodePictureRecordV3(old.data(), 7, &record);
    std::vector<uint8_t> bytes = Encode(record);
    std::vector<bool> covered(PICTURE_RECORD_SIZE, false);
    for (const Field& f : fields)
        for (int i = 0; i < f.size; i++) {
            EXPECT_EQ(bytes[f.to + i], old[f.from + i]) << "V4 offset " << f.to + i;
            covered[f.to + i] = true;
        }
    const uint8_t head[10] = {'M', 0, 4, 0, 0, 0, 7, 0, 0, 0};
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(bytes[i], head[i]) << i;
        covered[i] = true;
    }
    EXPECT_EQ(bytes[98], 5);
    covered[98] = true;
    for (int i = 0; i < PICTURE_RECORD_SIZE; i++) {
        if (!covered[i]) {
            EXPECT_EQ(bytes[i], 0) << "offset " << i;
        }
    }
}

TEST(PictureRecord, NamesCompareWithoutCase)
{
    EXPECT_TRUE(PictureNamesEqual("C:\\bild.jpg", "c:\\BILD.JPG"));
    EXPECT_FALSE(PictureNamesEqual("C:\\bild.jpg", "C:\\bild.jp"));
}

}  // namespace

// The picture list page's decisions over plain tables: walks, thumbnail
// names, labels, added records and open-file results.
#include "options/picture_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct States {
    std::vector<int> states;
    int reads = 0;
    int failAt = -1;
};

bool ReadState(void* context, int n, int* state)
{
    States* s = (States*)context;
    s->reads++;
    if (n == s->failAt || n < 0 || n >= (int)s->states.size())
        return false;
    *state = s->states[n];
    return true;
}

struct WalkCase {
    std::vector<int> states;
    int index, direction;
    PictureWalkResult result;
    int endIndex, endDirection;
};

TEST(PictureWalk, SkipsRemovedRecordsAndTurnsOnlyPastTheEnds)
{
    const WalkCase cases[] = {
        // The last record behind a removed one is reached.
        {{2, 0, 2}, 1, 1, WALK_FOUND, 2, 1},
        {{2, 2, 0, 2}, 2, 1, WALK_FOUND, 3, 1},
        // Past the end the walk turns and comes back to the start.
        {{2, 0, 0}, 1, 1, WALK_FOUND, 0, -1},
        // Backwards past the start it turns the other way.
        {{0, 0, 2}, 1, -1, WALK_FOUND, 2, 1},
        // A usable record where it enters.
        {{2, 2}, 1, -1, WALK_FOUND, 1, -1},
        // Entered before the start (a removal at 0) or past the end.
        {{2, 0}, -1, -1, WALK_FOUND, 0, 1},
        {{0, 2, 0}, 3, 1, WALK_FOUND, 1, -1},
        // Nothing usable.
        {{0, 0}, 0, 1, WALK_NONE, -1, 0},
        {{1}, 0, -1, WALK_NONE, -1, 0},
        {{}, 0, 1, WALK_NONE, -1, 0},
    };
    for (const WalkCase& c : cases) {
        States s{c.states};
        int index = c.index, direction = c.direction;
        std::string name = "states of size " + std::to_string(c.states.size()) + " from " + std::to_string(c.index);
        EXPECT_EQ(WalkToUsableRecord((int)c.states.size(), ReadState, &s, &index, &direction), c.result) << name;
        if (c.result == WALK_FOUND) {
            EXPECT_EQ(index, c.endIndex) << name;
            EXPECT_EQ(direction, c.endDirection) << name;
        }
        // Never more than 2 x count steps after the first read.
        EXPECT_LE(s.reads, 2 * (int)c.states.size() + 1) << name;
    }
}

TEST(PictureWalk, AFailedReadEndsTheWalk)
{
    States s{{0, 0, 2, 2}, 0, 2};
    int index = 0, direction = 1;
    EXPECT_EQ(WalkToUsableRecord(4, ReadState, &s, &index, &direction), WALK_READ_FAILED);
    EXPECT_EQ(s.reads, 3);
}

TEST(PictureWalk, FindsTheOnlyUsableRecordFromEveryStart)
{
    for (int count = 1; count <= 6; count++)
        for (int usable = 0; usable < count; usable++)
            for (int start = 0; start < count; start++)
                for (int direction : {-1, 1}) {
                    States s{std::vector<int>(count, 0)};
                    s.states[usable] = 2;
                    int index = start, dir = direction;
                    ASSERT_EQ(WalkToUsableRecord(count, ReadState, &s, &index, &dir), WALK_FOUND)
                        << count << " " << usable << " " << start << " " << direction;
                    EXPECT_EQ(index, usable);
                }
}

struct Files {
    std::set<std::string> names;
};

bool Exists(void* context, const char* path)
{
    return ((Files*)context)->names.count(path) != 0;
}

TEST(ThumbnailName, TakesTheFirstFreeNumberedName)
{
    Files taken{{"C:\\Daten\\Sonne.JPG", "C:\\Daten\\Sonne_1.JPG"}};
    struct Case {
        const char *folder, *picture, *expected;
    } cases[] = {
        {"C:\\Daten\\", "D:\\Fotos\\Sonne.png", "C:\\Daten\\Sonne_2.JPG"},
        {"C:\\Daten", "D:\\Fotos\\Sonne.png", "C:\\Daten\\Sonne_2.JPG"},
        {"C:\\Daten\\", "D:\\Fotos\\Mond.tif", "C:\\Daten\\Mond.JPG"},
        // Only the last dot of the file name goes; dots of folders stay out.
        {"C:\\Daten\\", "D:\\a.b\\Ohne", "C:\\Daten\\Ohne.JPG"},
        {"C:\\Daten\\", "D:\\Fotos\\x.y.jpeg", "C:\\Daten\\x.y.JPG"},
        {"C:\\Daten\\", "\\\\server\\share\\Baum.gif", "C:\\Daten\\Baum.JPG"},
        // A picture of that very name in the data folder is never overwritten.
        {"C:\\Daten\\", "C:\\Daten\\Haus.JPG", "C:\\Daten\\Haus_1.JPG"},
    };
    for (const Case& c : cases) {
        char out[PICTURE_LIST_PATH_SIZE] = "";
        ASSERT_TRUE(ChooseThumbnailName(c.folder, c.picture, Exists, &taken, out)) << c.picture;
        EXPECT_STREQ(out, c.expected) << c.picture;
    }
}

TEST(ThumbnailName, ANameThatDoesNotFitGivesNone)
{
    Files none;
    std::string folder = "C:\\" + std::string(240, 'f') + "\\";
    char out[PICTURE_LIST_PATH_SIZE] = "unchanged";
    EXPECT_FALSE(ChooseThumbnailName(folder.c_str(), ("D:\\" + std::string(20, 'p') + ".png").c_str(), Exists, &none,
                                     out));
    EXPECT_STREQ(out, "unchanged");
    // 255 characters of base fit with ".JPG" exactly; "_1" would not.
    std::string exact = "C:\\" + std::string(252, 'e') + ".JPG";
    ASSERT_EQ(exact.size(), 259u);
    Files full{{exact}};
    EXPECT_FALSE(ChooseThumbnailName("C:\\", ("D:\\" + std::string(252, 'e') + ".png").c_str(), Exists, &full, out));
    EXPECT_TRUE(ChooseThumbnailName("C:\\", ("D:\\" + std::string(252, 'e') + ".png").c_str(), Exists, &none, out));
    EXPECT_EQ(out, exact);
}

const char* DefaultText(const char*, const char*, const char* def)
{
    return def;
}

TEST(AdjustmentLabels, ShowTheValueAgainstNormal)
{
    struct Case {
        PictureAdjustment which;
        int value;
        const char* label;
    } cases[] = {
        {ADJUST_BRIGHTNESS, -10, "Helligkeit (-10%):"},
        {ADJUST_BRIGHTNESS, 0, "Helligkeit (normal):"},
        {ADJUST_BRIGHTNESS, 20, "Helligkeit (+20%):"},
        {ADJUST_CONTRAST, -50, "Kontrast (-50%):"},
        {ADJUST_CONTRAST, 0, "Kontrast (normal):"},
        {ADJUST_CONTRAST, 5, "Kontrast (+5%):"},
        {ADJUST_SATURATION, 3, "S\xE4ttigung (-2):"},
        {ADJUST_SATURATION, 5, "S\xE4ttigung (normal):"},
        {ADJUST_SATURATION, 7, "S\xE4ttigung (+2):"},
        {ADJUST_SATURATION, 0, "S\xE4ttigung (-5):"},
        {ADJUST_SHARPNESS, -3, "Sch\xE4rfe (-3):"},
        {ADJUST_SHARPNESS, 0, "Sch\xE4rfe (normal):"},
        {ADJUST_SHARPNESS, 3, "Sch\xE4rfe (+3):"},
    };
    for (const Case& c : cases) {
        char out[64];
        FormatAdjustmentLabel(c.which, c.value, DefaultText, out, sizeof(out));
        EXPECT_STREQ(out, c.label) << c.which << " " << c.value;
    }
}

const char* HostileText(const char*, const char*, const char*)
{
    return "%s%n%x (%d%%) %";
}

TEST(AdjustmentLabels, ATranslationGetsOnlyTheNumberAndPercentSigns)
{
    char out[64];
    FormatAdjustmentLabel(ADJUST_BRIGHTNESS, 20, HostileText, out, sizeof(out));
    EXPECT_STREQ(out, "%s%n%x (20%) %");
    char small[6];
    FormatAdjustmentLabel(ADJUST_BRIGHTNESS, 20, DefaultText, small, sizeof(small));
    EXPECT_STREQ(small, "Helli");
}

TEST(AddedRecord, ShowsEveryDayAllYearInFullColour)
{
    PictureRecord r;
    memset(&r, 0xAB, sizeof(r));
    MakeAddedPictureRecord("D:\\Fotos\\Sonne.jpg", 14, &r);
    EXPECT_EQ(r.number, 14);
    EXPECT_EQ(r.state, 2);
    EXPECT_EQ(r.weekdayMask, 127);
    EXPECT_EQ(r.hourFrom, 0);
    EXPECT_EQ(r.hourTo, 24);
    EXPECT_EQ(r.monthFrom, 1);
    EXPECT_EQ(r.monthTo, 12);
    EXPECT_EQ(r.cropToFill, 1);
    EXPECT_EQ(r.background, 0u);
    EXPECT_EQ(r.sharpness, 0);
    EXPECT_EQ(r.brightness, 0);
    EXPECT_EQ(r.contrast, 0);
    EXPECT_EQ(r.saturationStep, 5);
    EXPECT_STREQ(r.picture, "D:\\Fotos\\Sonne.jpg");
    EXPECT_STREQ(r.thumbnail, "D:\\Fotos\\Sonne.jpg");
    EXPECT_EQ(r.magic[0], 0);
    EXPECT_EQ(r.version, 0);
    EXPECT_EQ(r.fontFace[0], 0);
    // The rest of both paths is cleared: the file holds no stale bytes.
    for (size_t i = strlen(r.picture); i < sizeof(r.picture); i++)
        ASSERT_EQ(r.picture[i], 0) << i;
}

std::vector<std::string> Paths(const std::string& buffer)
{
    return OpenFileResultPaths(buffer.data(), buffer.size());
}

TEST(OpenFileResult, JoinsTheFolderWithEachNameOrTakesTheFullPath)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Paths(std::string("D:\\Fotos\0a.jpg\0b.png\0c.gif\0\0", 28)),
              (V{"D:\\Fotos\\a.jpg", "D:\\Fotos\\b.png", "D:\\Fotos\\c.gif"}));
    EXPECT_EQ(Paths(std::string("D:\\Fotos\\a.jpg\0\0", 16)), (V{"D:\\Fotos\\a.jpg"}));
    // A drive's root already ends in its separator.
    EXPECT_EQ(Paths(std::string("D:\\\0a.jpg\0b.jpg\0\0", 17)), (V{"D:\\a.jpg", "D:\\b.jpg"}));
    EXPECT_EQ(Paths(std::string("\0\0", 2)), V{});
    // Room left over behind the list changes nothing.
    EXPECT_EQ(Paths(std::string("D:\\x.jpg\0\0garbage", 17)), (V{"D:\\x.jpg"}));
}

TEST(OpenFileResult, PathsTooLongAreSkippedAndACutListGivesNothing)
{
    using V = std::vector<std::string>;
    std::string longName = std::string(300 - 9, 'n');
    ASSERT_EQ(("D:\\Fotos\\" + longName).size(), 300u);
    std::string buffer = std::string("D:\\Fotos\0", 9) + "a.jpg" + '\0' + longName + '\0' + "b.jpg" + '\0' + '\0';
    EXPECT_EQ(Paths(buffer), (V{"D:\\Fotos\\a.jpg", "D:\\Fotos\\b.jpg"}));
    // 259 characters fit, 260 do not.
    std::string fits = "D:\\" + std::string(256, 'f');
    EXPECT_EQ(Paths(fits + '\0' + '\0'), (V{fits}));
    EXPECT_EQ(Paths(fits + "g" + '\0' + '\0'), V{});
    // Without the closing zeros the selection did not fit the buffer.
    EXPECT_EQ(Paths(std::string("D:\\Fotos\0a.jpg\0b.jpg", 20)), V{});
    EXPECT_EQ(Paths(std::string("D:\\Fotos\0a.jpg\0", 15)), V{});
    EXPECT_EQ(Paths(std::string("D:\\Fotos\\a.jpg", 14)), V{});
    EXPECT_EQ(OpenFileResultPaths("", 0), V{});
}

TEST(PathInsideFolder, NamesOnlyWhatLiesBelowTheFolder)
{
    const char folder[] = "C:\\Daten\\online";
    EXPECT_TRUE(IsPathInsideFolder("C:\\Daten\\online\\a.jpg", folder));
    EXPECT_TRUE(IsPathInsideFolder("c:\\daten\\ONLINE\\sub\\a.jpg", folder));
    EXPECT_FALSE(IsPathInsideFolder("C:\\Daten\\online\\..\\bilder.dat", folder));
    EXPECT_FALSE(IsPathInsideFolder("C:\\Daten\\onlinex\\a.jpg", folder));
    EXPECT_FALSE(IsPathInsideFolder("C:\\Daten\\online", folder));
    EXPECT_FALSE(IsPathInsideFolder("online\\a.jpg", folder));
    EXPECT_FALSE(IsPathInsideFolder("C01X", folder));
}

}  // namespace

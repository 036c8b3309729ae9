// The database functions over in-memory files, where any step can be made to
// fail and a second handle can hold the file.
#include "common/picturedb/picture_walks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/picturedb/picture_file_memory.h"

namespace {

const char kDb[] = "D:\\data\\bilder.dat";
const char kWork[] = "D:\\data\\bilder.convert";
typedef std::vector<uint8_t> Bytes;

struct Fs {
    MemoryPictureFiles m;
    Fs() { InitMemoryPictureFiles(&m); }
    ~Fs() { FreeMemoryPictureFiles(&m); }
    const PictureFileOps* ops() { return &m.ops; }
    bool Has(const std::string& path) { return m.files.count(path) != 0; }
    Bytes& operator[](const std::string& path) { return m.files[path]; }
};

PictureRecord User(const char* picture, const char* thumbnail, int state = 2)
{
    PictureRecord r;
    memset(&r, 0, sizeof(r));
    r.state = (uint16_t)state;
    r.weekdayMask = 0x55;
    r.hourTo = 24;
    r.monthFrom = 3;
    r.monthTo = 9;
    r.brightness = -12;
    strcpy(r.picture, picture);
    strcpy(r.thumbnail, thumbnail);
    return r;
}

PictureRecord Builtin(int n)
{
    PictureRecord r;
    MakeBuiltinPictureRecord(n, &r);
    return r;
}

Bytes Encoded(const PictureRecord& r)
{
    Bytes b(PICTURE_RECORD_SIZE);
    EncodePictureRecord(&r, b.data());
    return b;
}

Bytes Join(const std::vector<PictureRecord>& records)
{
    Bytes all;
    for (const PictureRecord& r : records) {
        Bytes b = Encoded(r);
        all.insert(all.end(), b.begin(), b.end());
    }
    return all;
}

std::vector<PictureRecord> Decoded(const Bytes& file)
{
    std::vector<PictureRecord> records(file.size() / PICTURE_RECORD_SIZE);
    for (size_t i = 0; i < records.size(); i++)
        DecodePictureRecord(file.data() + i * PICTURE_RECORD_SIZE, &records[i]);
    return records;
}

std::vector<std::string> Pictures(const Bytes& file)
{
    std::vector<std::string> names;
    for (const PictureRecord& r : Decoded(file))
        names.push_back(r.picture);
    return names;
}

Bytes Pattern(size_t size)
{
    Bytes b(size);
    for (size_t i = 0; i < size; i++)
        b[i] = (uint8_t)(i * 13 + 5);
    return b;
}

// Count and read

struct SizeCase {
    size_t bytes;
    int count;
};

class RecordCount : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RecordCount, CountsWholeRecordsOnly)
{
    Fs fs;
    fs[kDb] = Pattern(GetParam().bytes);
    int count = -1;
    EXPECT_EQ(CountPictureRecordsIn(fs.ops(), kDb, &count), 1);
    EXPECT_EQ(count, GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RecordCount,
                         ::testing::Values(SizeCase{0, 0}, SizeCase{621, 0}, SizeCase{622, 1}, SizeCase{1245, 2}));

TEST(PictureDatabase, MissingFileCountsZeroAndFails)
{
    Fs fs;
    int count = -1;
    EXPECT_EQ(CountPictureRecordsIn(fs.ops(), kDb, &count), 0);
    EXPECT_EQ(count, 0);
}

TEST(PictureDatabase, ReadingAtOrPastTheCountLeavesTheBufferAlone)
{
    Fs fs;
    fs[kDb] = Join({User("C:\\a.jpg", "t"), User("C:\\b.jpg", "t")});
    fs[kDb].push_back(0x77);   // 1245 bytes
    PictureRecord record;
    for (int n : {2, 3, -1}) {
        memset(&record, 0xA5, sizeof(record));
        EXPECT_EQ(ReadPictureRecordIn(fs.ops(), kDb, &record, n), 0) << n;
        for (size_t i = 0; i < sizeof(record); i++)
            ASSERT_EQ(((const uint8_t*)&record)[i], 0xA5) << "n " << n << " byte " << i;
    }
    ASSERT_EQ(ReadPictureRecordIn(fs.ops(), kDb, &record, 1), 1);
    EXPECT_STREQ(record.picture, "C:\\b.jpg");
}

// Write

struct WriteCase {
    const char* name;
    int n;
    int result;
    size_t offset;     // where the record lands
    size_t fileSize;   // afterwards
};

class RecordWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(RecordWrite, WritesWholeRecordsAtAlignedOffsetsWithoutHoles)
{
    const WriteCase& c = GetParam();
    Fs fs;
    Bytes before = Pattern(1245);
    fs[kDb] = before;
    PictureRecord record = User("C:\\neu.jpg", "C:\\neu_t.jpg");
    EXPECT_EQ(WritePictureRecordIn(fs.ops(), kDb, &record, c.n), c.result);
    const Bytes& after = fs[kDb];
    ASSERT_EQ(after.size(), c.fileSize);
    if (!c.result) {
        EXPECT_EQ(after, before);
        return;
    }
    Bytes expected = before;
    expected.resize(c.fileSize);
    Bytes encoded = Encoded(record);
    std::copy(encoded.begin(), encoded.end(), expected.begin() + c.offset);
    EXPECT_EQ(after, expected);
    EXPECT_TRUE(fs.m.handles.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordWrite,
    ::testing::Values(WriteCase{"append_over_damaged_tail", -1, 1, 1244, 1866},
                      WriteCase{"at_count_extends", 2, 1, 1244, 1866}, WriteCase{"past_count_refused", 3, 0, 0, 1245},
                      WriteCase{"first_overwritten", 0, 1, 0, 1245}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(PictureDatabase, WriteMakesAMissingFileAndRefusesANullRecord)
{
    Fs fs;
    EXPECT_EQ(WritePictureRecordIn(fs.ops(), kDb, nullptr, -1), 0);
    PictureRecord record = Builtin(1);
    EXPECT_EQ(WritePictureRecordIn(fs.ops(), kDb, &record, -1), 1);
    EXPECT_EQ(fs[kDb], Encoded(record));
}

TEST(PictureDatabase, FindComparesPicturesWithoutCase)
{
    Fs fs;
    EXPECT_EQ(FindPictureRecordIn(fs.ops(), kDb, "C:\\bild.jpg"), 0);
    fs[kDb] = Join({Builtin(1), User("C:\\bild.jpg", "x")});
    EXPECT_EQ(FindPictureRecordIn(fs.ops(), kDb, "c:\\BILD.JPG"), 1);
    EXPECT_EQ(FindPictureRecordIn(fs.ops(), kDb, "C01X"), 1);
    EXPECT_EQ(FindPictureRecordIn(fs.ops(), kDb, "C:\\bild.jp"), 0);
}

// Create, convert, rebuild

TEST(PictureDatabase, NewDatabaseHoldsTheBuiltinPicturesUsableAlways)
{
    Fs fs;
    ASSERT_EQ(CreateDefaultPictureDatabaseIn(fs.ops(), kDb, 12), 1);
    std::vector<PictureRecord> records = Decoded(fs[kDb]);
    ASSERT_EQ(fs[kDb].size(), 12u * PICTURE_RECORD_SIZE);
    for (int i = 0; i < 12; i++) {
        char name[8];
        snprintf(name, sizeof(name), "C%02dX", i + 1);
        const PictureRecord& r = records[i];
        EXPECT_STREQ(r.picture, name);
        EXPECT_STREQ(r.thumbnail, name);
        EXPECT_EQ(r.number, i + 1);
        EXPECT_GT(r.state, 1);
        EXPECT_EQ(r.weekdayMask & 0x7F, 0x7F);
        EXPECT_EQ(r.hourFrom, 0);
        EXPECT_EQ(r.hourTo, 24);
        EXPECT_EQ(r.monthFrom, 1);
        EXPECT_EQ(r.monthTo, 12);
    }
    EXPECT_FALSE(fs.Has(kWork));
}

// An older record whose fields hold distinct bytes, texts terminated.
Bytes OldRecord(int k)
{
    Bytes b(PICTURE_RECORD_V3_SIZE, 0);
    for (int i = 0; i < 76; i++)
        b[i] = (uint8_t)(k * 100 + i + 1);
    b[34 + 31] = 0;
    snprintf((char*)b.data() + 76, 260, "C:\\Bilder\\alt%d.jpg", k);
    snprintf((char*)b.data() + 336, 260, "D:\\data\\alt%d_t.jpg", k);
    return b;
}

TEST(PictureDatabase, ConvertTurnsOlderRecordsIntoCurrentOnesAndKeepsTheOldFile)
{
    Fs fs;
    Bytes old = OldRecord(0);
    Bytes second = OldRecord(1);
    old.insert(old.end(), second.begin(), second.end());
    fs[kDb] = old;
    fs["D:\\data\\bilder.V3"] = Pattern(10);   // stale copy of an earlier run
    ASSERT_EQ(ConvertPictureDatabaseIn(fs.ops(), kDb), 1);
    const Bytes& now = fs[kDb];
    ASSERT_EQ(now.size(), 2u * PICTURE_RECORD_SIZE);
    for (int k = 0; k < 2; k++) {
        const uint8_t* r = now.data() + k * PICTURE_RECORD_SIZE;
        const uint8_t* o = old.data() + k * PICTURE_RECORD_V3_SIZE;
        const uint8_t head[10] = {'M', 0, 4, 0, 0, 0, (uint8_t)k, 0, 0, 0};
        EXPECT_EQ(memcmp(r, head, 10), 0);
        EXPECT_EQ(memcmp(r + 10, o + 4, 62), 0);      // state .. font face
        EXPECT_EQ(memcmp(r + 72, o + 66, 10), 0);     // crop, background, font colour
        EXPECT_EQ(memcmp(r + 102, o + 76, 520), 0);   // picture, thumbnail
        const uint8_t tail[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0};
        EXPECT_EQ(memcmp(r + 82, tail, 20), 0);
    }
    EXPECT_EQ(fs["D:\\data\\bilder.V3"], old);
    EXPECT_FALSE(fs.Has(kWork));
}

TEST(PictureDatabase, ConvertLeavesACurrentFileByteIdentical)
{
    Fs fs;
    Bytes current = Join({Builtin(1), User("C:\\x.jpg", "C:\\x.jpg")});
    current.push_back(9);
    fs[kDb] = current;
    fs[kWork] = Pattern(5);   // left over
    EXPECT_EQ(ConvertPictureDatabaseIn(fs.ops(), kDb), 1);
    EXPECT_EQ(fs[kDb], current);
    EXPECT_FALSE(fs.Has("D:\\data\\bilder.V3"));
    EXPECT_EQ(ConvertPictureDatabaseIn(fs.ops(), "D:\\data\\none.dat"), 0);
}

struct RebuildCase {
    const char* name;
    std::vector<PictureRecord> before;
    int builtinCount;
    std::vector<std::string> after;
};

PictureRecord BrightBuiltin(int n, int brightness)
{
    PictureRecord r = Builtin(n);
    r.brightness = brightness;
    r.number = 77;
    return r;
}

std::vector<PictureRecord> Builtins(int from, int to)
{
    std::vector<PictureRecord> records;
    for (int i = from; i <= to; i++)
        records.push_back(i == 5 ? BrightBuiltin(5, 20) : Builtin(i));
    return records;
}

std::vector<std::string> Names(int from, int to, const char* user)
{
    std::vector<std::string> names;
    for (int i = from; i <= to; i++) {
        char name[8];
        snprintf(name, sizeof(name), "C%02dX", i);
        names.push_back(name);
    }
    if (user)
        names.push_back(user);
    return names;
}

const char kUserPicture[] = "C:\\Bilder\\urlaub.jpg";

std::vector<RebuildCase> RebuildCases()
{
    PictureRecord user = User(kUserPicture, "D:\\data\\u_t.jpg");
    std::vector<PictureRecord> userFirst = {user};
    for (const PictureRecord& r : Builtins(1, 12))
        userFirst.push_back(r);
    std::vector<PictureRecord> fiveAndUser = Builtins(1, 5);
    fiveAndUser.push_back(user);
    return {
        {"user_first_moves_behind_builtins", userFirst, 12, Names(1, 12, kUserPicture)},
        {"shrunk_count_drops_builtins", Builtins(1, 12), 10, Names(1, 10, nullptr)},
        {"missing_builtins_added", fiveAndUser, 12, Names(1, 12, kUserPicture)},
    };
}

class Rebuild : public ::testing::TestWithParam<RebuildCase> {};

TEST_P(Rebuild, PutsTheBuiltinPicturesFirstAndKeepsUserPictures)
{
    const RebuildCase& c = GetParam();
    Fs fs;
    Bytes before = Join(c.before);
    fs[kDb] = before;
    ASSERT_EQ(RebuildPictureDatabaseIn(fs.ops(), kDb, c.builtinCount), 1);
    const Bytes& after = fs[kDb];
    EXPECT_EQ(Pictures(after), c.after);
    EXPECT_EQ(fs["D:\\data\\bilder.bak"], before);
    EXPECT_FALSE(fs.Has(kWork));
    std::vector<PictureRecord> records = Decoded(after);
    for (size_t i = 0; i < records.size(); i++) {
        EXPECT_EQ(records[i].magic[0], 'M');
        EXPECT_EQ(records[i].version, 4);
        if (!strcmp(records[i].picture, "C05X")) {
            EXPECT_EQ(records[i].brightness, 20) << "adjustments of the old C05X";
        }
        if (!strcmp(records[i].picture, kUserPicture)) {
            // The user record's bytes but magic, version and number.
            size_t from = 0;
            while (strcmp(c.before[from].picture, kUserPicture))
                from++;
            EXPECT_EQ(records[i].number, (int)from);
            Bytes old = Encoded(c.before[from]);
            EXPECT_TRUE(std::equal(old.begin() + 10, old.end(), after.begin() + i * PICTURE_RECORD_SIZE + 10));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Rebuild, ::testing::ValuesIn(RebuildCases()),
                         [](const ::testing::TestParamInfo<RebuildCase>& info) { return std::string(info.param.name); });

// Compaction

const char kInFolderThumb[] = "D:\\data\\thumbs\\r1.jpg";
const char kOwnPicture[] = "D:\\data\\mine.jpg";
const char kOutsideThumb[] = "E:\\other\\r3.jpg";

void FiveRecordDatabase(Fs* fs)
{
    (*fs)[kDb] = Join({User("C:\\a.jpg", "D:\\data\\a_t.jpg"), User("C:\\r1.jpg", kInFolderThumb, 0),
                       User(kOwnPicture, kOwnPicture, 0), User("C:\\r3.jpg", kOutsideThumb, 0),
                       User("C:\\b.jpg", "D:\\data\\b_t.jpg")});
    for (const char* file : {"D:\\data\\a_t.jpg", kInFolderThumb, kOwnPicture, kOutsideThumb, "D:\\data\\b_t.jpg"})
        (*fs)[file] = Pattern(3);
}

TEST(PictureDatabase, CompactionDropsRemovedRecordsAndOnlyTheirOwnThumbnails)
{
    Fs fs;
    FiveRecordDatabase(&fs);
    ASSERT_EQ(CompactPictureDatabaseIn(fs.ops(), kDb), 1);
    EXPECT_EQ(Pictures(fs[kDb]), (std::vector<std::string>{"C:\\a.jpg", "C:\\b.jpg"}));
    EXPECT_FALSE(fs.Has(kInFolderThumb));
    for (const char* kept : {kOwnPicture, kOutsideThumb, "D:\\data\\a_t.jpg", "D:\\data\\b_t.jpg"})
        EXPECT_TRUE(fs.Has(kept)) << kept;
    EXPECT_FALSE(fs.Has(kWork));
    EXPECT_FALSE(fs.Has("D:\\data\\bilder.bak"));
}

TEST(PictureDatabase, CompactionOfOnlyRemovedRecordsLeavesAnEmptyFile)
{
    Fs fs;
    fs[kDb] = Join({User("C:\\r1.jpg", kInFolderThumb, 0), User("C:\\r2.jpg", "D:\\data\\r2.jpg", 0)});
    fs[kInFolderThumb] = fs["D:\\data\\r2.jpg"] = Pattern(3);
    ASSERT_EQ(CompactPictureDatabaseIn(fs.ops(), kDb), 1);
    EXPECT_TRUE(fs.Has(kDb));
    EXPECT_TRUE(fs[kDb].empty());
    EXPECT_FALSE(fs.Has(kInFolderThumb));
    EXPECT_FALSE(fs.Has("D:\\data\\r2.jpg"));
}

TEST(PictureDatabase, CompactionLeavesADamagedFileUntouched)
{
    Fs fs;
    Bytes damaged = Join({User("C:\\a.jpg", "x"), User("C:\\r.jpg", kInFolderThumb, 0)});
    damaged.push_back(1);
    fs[kDb] = damaged;
    fs[kInFolderThumb] = Pattern(3);
    EXPECT_EQ(CompactPictureDatabaseIn(fs.ops(), kDb), 0);
    EXPECT_EQ(fs[kDb], damaged);
    EXPECT_TRUE(fs.Has(kInFolderThumb));
    EXPECT_FALSE(fs.Has(kWork));
}

struct ThumbCase {
    const char* thumbnail;
    const char* picture;
    bool own;
};

class OwnThumbnail : public ::testing::TestWithParam<ThumbCase> {};

TEST_P(OwnThumbnail, OnlyFilesInsideTheDataFolderThatAreNotThePicture)
{
    const ThumbCase& c = GetParam();
    EXPECT_EQ(IsOwnThumbnail(c.thumbnail, c.picture, "D:\\data\\"), c.own) << c.thumbnail;
}

INSTANTIATE_TEST_SUITE_P(
    Table, OwnThumbnail,
    ::testing::Values(ThumbCase{"D:\\data\\t.jpg", "C:\\p.jpg", true}, ThumbCase{"d:/DATA/sub/../t.jpg", "", true},
                      ThumbCase{"D:\\data\\online\\thumbs\\1.jpg", "C01X", true},
                      ThumbCase{"D:\\data\\..\\t.jpg", "", false}, ThumbCase{"D:\\database\\t.jpg", "", false},
                      ThumbCase{"D:\\data", "", false}, ThumbCase{"D:\\data\\", "", false},
                      ThumbCase{"D:\\data\\.", "", false}, ThumbCase{"C01X", "C01X", false},
                      ThumbCase{"t.jpg", "", false}, ThumbCase{"data\\t.jpg", "", false},
                      ThumbCase{"D:\\data\\p.jpg", "d:\\DATA\\p.jpg", false},
                      ThumbCase{"D:\\data\\p.jpg. ", "D:\\data\\p.jpg", false},
                      ThumbCase{"D:\\data\\x\\..\\p.jpg", "D:\\data\\p.jpg", false},
                      ThumbCase{"\\\\?\\D:\\data\\t.jpg", "", false}, ThumbCase{"E:\\data\\t.jpg", "", false}));

// Backup and restore

TEST(PictureDatabase, BackupCopiesAndRestorePutsTheCopyBack)
{
    Fs fs;
    int count = -1;
    EXPECT_EQ(BackupPictureDatabaseIn(fs.ops(), kDb, &count), 0);
    EXPECT_EQ(count, 0);
    Bytes before = Join({Builtin(1), Builtin(2)});
    fs[kDb] = before;
    ASSERT_EQ(BackupPictureDatabaseIn(fs.ops(), kDb, &count), 1);
    EXPECT_EQ(count, 2);
    fs[kDb] = Pattern(622);
    ASSERT_EQ(RestorePictureDatabaseIn(fs.ops(), kDb), 1);
    EXPECT_EQ(fs[kDb], before);
    EXPECT_FALSE(fs.Has("D:\\data\\bilder.temp"));
    EXPECT_EQ(RestorePictureDatabaseIn(fs.ops(), kDb), 0);
}

TEST(PictureDatabase, FailedBackupLeavesNoCopyToRestore)
{
    Fs fs;
    fs[kDb] = Join({Builtin(1)});
    fs["D:\\data\\bilder.temp"] = Pattern(7);   // from an earlier session
    fs.m.failAt = 1;                             // the copy
    int count = -1;
    EXPECT_EQ(BackupPictureDatabaseIn(fs.ops(), kDb, &count), 0);
    EXPECT_FALSE(fs.Has("D:\\data\\bilder.temp"));
    EXPECT_EQ(RestorePictureDatabaseIn(fs.ops(), kDb), 0);
    EXPECT_EQ(fs[kDb], Join({Builtin(1)}));
}

// Failure at every step

struct Rewrite {
    const char* name;
    std::function<void(Fs*)> setUp;
    std::function<int(Fs*)> run;
    const char* guardedThumbnail;   // deleted only with the new file in place
};

std::vector<Rewrite> Rewrites()
{
    return {
        {"create", [](Fs* fs) { (*fs)[kDb] = Pattern(100); },
         [](Fs* fs) { return CreateDefaultPictureDatabaseIn(fs->ops(), kDb, 12); }, nullptr},
        {"convert",
         [](Fs* fs) {
             Bytes old = OldRecord(0), second = OldRecord(1);
             old.insert(old.end(), second.begin(), second.end());
             (*fs)[kDb] = old;
         },
         [](Fs* fs) { return ConvertPictureDatabaseIn(fs->ops(), kDb); }, nullptr},
        {"rebuild",
         [](Fs* fs) {
             std::vector<PictureRecord> records = {User(kUserPicture, "t")};
             for (const PictureRecord& r : Builtins(1, 12))
                 records.push_back(r);
             (*fs)[kDb] = Join(records);
         },
         [](Fs* fs) { return RebuildPictureDatabaseIn(fs->ops(), kDb, 12); }, nullptr},
        {"compact", FiveRecordDatabase, [](Fs* fs) { return CompactPictureDatabaseIn(fs->ops(), kDb); },
         kInFolderThumb},
        {"restore",
         [](Fs* fs) {
             (*fs)[kDb] = Pattern(1244);
             (*fs)["D:\\data\\bilder.temp"] = Join({Builtin(3)});
         },
         [](Fs* fs) { return RestorePictureDatabaseIn(fs->ops(), kDb); }, nullptr},
    };
}

class EveryStepFails : public ::testing::TestWithParam<Rewrite> {};

TEST_P(EveryStepFails, DatabaseIsOldOrNewAndNoWorkFileStays)
{
    const Rewrite& w = GetParam();
    Bytes oldBytes, newBytes;
    {
        Fs fs;
        w.setUp(&fs);
        oldBytes = fs[kDb];
        ASSERT_EQ(w.run(&fs), 1);
        newBytes = fs[kDb];
        ASSERT_NE(oldBytes, newBytes);
    }
    bool completed = false;
    for (int failAt = 1; !completed; failAt++) {
        ASSERT_LT(failAt, 200);
        Fs fs;
        w.setUp(&fs);
        fs.m.failAt = failAt;
        int result = w.run(&fs);
        completed = fs.m.steps < failAt;
        SCOPED_TRACE("failing step " + std::to_string(failAt));
        const Bytes& now = fs[kDb];
        EXPECT_TRUE(now == oldBytes || now == newBytes);
        EXPECT_EQ(result, now == newBytes ? 1 : 0);
        EXPECT_EQ(result, completed ? 1 : 0);
        EXPECT_FALSE(fs.Has(kWork));
        EXPECT_FALSE(fs.Has("D:\\data\\bilder.temp") && now == newBytes);
        if (w.guardedThumbnail) {
            EXPECT_EQ(fs.Has(w.guardedThumbnail), now != newBytes);
        }
        EXPECT_TRUE(fs.m.handles.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Walks, EveryStepFails, ::testing::ValuesIn(Rewrites()),
                         [](const ::testing::TestParamInfo<Rewrite>& info) { return std::string(info.param.name); });

// A second handle holding the file without sharing

class HeldDatabase : public ::testing::TestWithParam<Rewrite> {};

TEST_P(HeldDatabase, EveryFunctionFailsAndTheFileStaysByteIdentical)
{
    const Rewrite& w = GetParam();
    Fs fs;
    w.setUp(&fs);
    Bytes before = fs[kDb];
    PictureFile held = fs.ops()->open(fs.ops()->context, kDb, PDB_READ_EXCLUSIVE);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(w.run(&fs), 0);
    fs.ops()->close(fs.ops()->context, held);
    EXPECT_EQ(fs[kDb], before);
    EXPECT_FALSE(fs.Has(kWork));
    if (w.guardedThumbnail) {
        EXPECT_TRUE(fs.Has(w.guardedThumbnail));
    }
}

std::vector<Rewrite> AllFunctions()
{
    std::vector<Rewrite> all = Rewrites();
    auto database = [](Fs* fs) { (*fs)[kDb] = Join({Builtin(1), User("C:\\a.jpg", "t")}); };
    static PictureRecord record4 = Builtin(4);
    PictureRecord* record = &record4;
    all.push_back({"count", database, [](Fs* fs) { int n; return CountPictureRecordsIn(fs->ops(), kDb, &n); }, nullptr});
    all.push_back({"read", database, [record](Fs* fs) { return ReadPictureRecordIn(fs->ops(), kDb, record, 0); }, nullptr});
    all.push_back({"find", database, [](Fs* fs) { return FindPictureRecordIn(fs->ops(), kDb, "C01X"); }, nullptr});
    all.push_back({"write", database, [record](Fs* fs) { return WritePictureRecordIn(fs->ops(), kDb, record, -1); }, nullptr});
    all.push_back({"backup", database, [](Fs* fs) { int n; return BackupPictureDatabaseIn(fs->ops(), kDb, &n); }, nullptr});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Functions, HeldDatabase, ::testing::ValuesIn(AllFunctions()),
                         [](const ::testing::TestParamInfo<Rewrite>& info) { return std::string(info.param.name); });

}  // namespace

// The database functions over real files: share modes, locks and the atomic
// replace as Windows (here Wine) enforces them.
#include "picturedb/picturedb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/picturedb/picture_walks.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"

namespace {

typedef std::vector<uint8_t> Bytes;

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Bytes Encoded(const PictureRecord& r)
{
    Bytes b(PICTURE_RECORD_SIZE);
    EncodePictureRecord(&r, b.data());
    return b;
}

PictureRecord UserRecord(const char* picture, const char* thumbnail, int state)
{
    PictureRecord r;
    memset(&r, 0, sizeof(r));
    r.state = (uint16_t)state;
    strcpy(r.picture, picture);
    strcpy(r.thumbnail, thumbnail);
    return r;
}

class RealFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        folder_ = vt::BuildPath("picturedb_tmp/" + name + "_" + std::to_string(GetCurrentProcessId()));
        for (char& c : folder_)
            if (c == '/')
                c = '\\';
        CreateDirectoryA(vt::BuildPath("picturedb_tmp").c_str(), nullptr);
        CreateDirectoryA(folder_.c_str(), nullptr);
        for (const char* file : {"bilder.dat", "bilder.convert", "bilder.bak", "bilder.V3", "bilder.temp", "t.jpg"})
            DeleteFileA(Path(file).c_str());
        saved_ = gSettings;
        lstrcpynA(gSettings.DataFolder, (folder_ + "\\").c_str(), MAX_PATH);
        lstrcpynA(gSettings.PictureDbPath, Path("bilder.dat").c_str(), MAX_PATH);
        gSettings.BuiltinPictureCount = 12;
    }

    void TearDown() override { gSettings = saved_; }

    std::string Path(const char* name) { return folder_ + "\\" + name; }
    Bytes Database()
    {
        Bytes bytes;
        vt::ReadFileBytes(Path("bilder.dat"), &bytes);
        return bytes;
    }

    std::string folder_;
    AppSettings saved_;
};

TEST_F(RealFiles, RecordsAreWrittenCountedReadAndFound)
{
    int count = -1;
    EXPECT_EQ(CountPictureRecords(&count), 0);
    ASSERT_EQ(CreateDefaultPictureDatabase(), 1);
    EXPECT_FALSE(Exists(Path("bilder.convert")));
    ASSERT_EQ(CountPictureRecords(&count), 1);
    EXPECT_EQ(count, 12);
    PictureRecord record = UserRecord("C:\\bild.jpg", "C:\\bild.jpg", 2);
    ASSERT_EQ(WritePictureRecord(nullptr, &record, -1), 1);
    ASSERT_EQ(WritePictureRecord(nullptr, &record, 14), 0);
    EXPECT_EQ(Database().size(), 13u * PICTURE_RECORD_SIZE);
    PictureRecord read;
    ASSERT_EQ(ReadPictureRecord(nullptr, &read, 11), 1);
    EXPECT_STREQ(read.picture, "C12X");
    EXPECT_EQ(FindPictureRecord("c:\\BILD.JPG"), 1);
    EXPECT_EQ(FindPictureRecord("c:\\BILD.JPEG"), 0);
}

TEST_F(RealFiles, RebuildReplacesTheFileAndKeepsTheOldOne)
{
    Bytes old = Encoded(UserRecord("C:\\bild.jpg", "t", 2));
    ASSERT_TRUE(vt::WriteFileBytes(Path("bilder.dat"), old));
    ASSERT_TRUE(vt::WriteFileBytes(Path("bilder.bak"), Bytes(5, 1)));   // an older copy
    ASSERT_EQ(RebuildPictureDatabaseIn(Win32PictureFileOps(), gSettings.PictureDbPath, 12), 1);
    EXPECT_EQ(Database().size(), 13u * PICTURE_RECORD_SIZE);
    Bytes bak;
    ASSERT_TRUE(vt::ReadFileBytes(Path("bilder.bak"), &bak));
    EXPECT_EQ(bak, old);
    EXPECT_FALSE(Exists(Path("bilder.convert")));
}

TEST_F(RealFiles, CompactionDeletesTheThumbnailOfARemovedRecord)
{
    std::string thumb = Path("t.jpg");
    Bytes file = Encoded(UserRecord("C:\\a.jpg", "C:\\a.jpg", 2));
    Bytes removed = Encoded(UserRecord("C:\\b.jpg", thumb.c_str(), 0));
    file.insert(file.end(), removed.begin(), removed.end());
    ASSERT_TRUE(vt::WriteFileBytes(Path("bilder.dat"), file));
    ASSERT_TRUE(vt::WriteFileBytes(thumb, Bytes(3, 1)));
    ASSERT_EQ(CompactPictureDatabase(), 1);
    EXPECT_EQ(Database(), Bytes(file.begin(), file.begin() + PICTURE_RECORD_SIZE));
    EXPECT_FALSE(Exists(thumb));
}

TEST_F(RealFiles, AReaderMeetsTheUnsharedWriter)
{
    ASSERT_EQ(CreateDefaultPictureDatabase(), 1);
    const PictureFileOps* ops = Win32PictureFileOps();
    PictureFile writer = ops->open(ops->context, gSettings.PictureDbPath, PDB_WRITE_RECORD);
    ASSERT_NE(writer, nullptr);
    // The screen saver's read-only open.
    HANDLE reader = CreateFileA(gSettings.PictureDbPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_RANDOM_ACCESS, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE)
        CloseHandle(reader);
    ASSERT_TRUE(ops->lock(ops->context, writer, 622, 622));
    ops->unlock(ops->context, writer, 622, 622);
    ops->close(ops->context, writer);
}

struct HeldCase {
    const char* name;
    std::function<int()> run;
};

class HeldRealFile : public RealFiles, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldRealFile, EveryFunctionFailsAndTheFileStaysByteIdentical)
{
    gSettings.dbver = 3;
    Bytes file = Encoded(UserRecord("C:\\bild.jpg", Path("t.jpg").c_str(), 0));
    Bytes builtin(PICTURE_RECORD_SIZE);
    PictureRecord c01;
    MakeBuiltinPictureRecord(1, &c01);
    EncodePictureRecord(&c01, builtin.data());
    file.insert(file.end(), builtin.begin(), builtin.end());
    ASSERT_TRUE(vt::WriteFileBytes(Path("bilder.dat"), file));
    ASSERT_TRUE(vt::WriteFileBytes(Path("bilder.temp"), builtin));
    ASSERT_TRUE(vt::WriteFileBytes(Path("t.jpg"), Bytes(3, 1)));
    HANDLE held = CreateFileA(gSettings.PictureDbPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetParam().run(), 0);
    CloseHandle(held);
    EXPECT_EQ(Database(), file);
    EXPECT_FALSE(Exists(Path("bilder.convert")));
    EXPECT_TRUE(Exists(Path("t.jpg")));
}

PictureRecord gRecord;

INSTANTIATE_TEST_SUITE_P(
    Functions, HeldRealFile,
    ::testing::Values(HeldCase{"count", [] { int n; return CountPictureRecords(&n); }},
                      HeldCase{"read", [] { return ReadPictureRecord(nullptr, &gRecord, 0); }},
                      HeldCase{"find", [] { return FindPictureRecord("C01X"); }},
                      HeldCase{"write", [] { return WritePictureRecord(nullptr, &gRecord, -1); }},
                      HeldCase{"create", [] { return CreateDefaultPictureDatabase(); }},
                      HeldCase{"convert", [] { return ConvertPictureDatabase(); }},
                      HeldCase{"rebuild", [] { return RebuildPictureDatabase(); }},
                      HeldCase{"compact", [] { return CompactPictureDatabase(); }},
                      HeldCase{"backup", [] { int n; return BackupPictureDatabase(&n); }},
                      HeldCase{"restore", [] { return RestorePictureDatabase(); }}),
    [](const ::testing::TestParamInfo<HeldCase>& info) { return std::string(info.param.name); });

}  // namespace

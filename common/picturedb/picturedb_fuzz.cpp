// Runs the record codec and every database function over an in-memory
// "bilder.dat" made of the input (its last three bytes choose the operations
// and the step that fails): nothing may crash, a failed rewrite leaves the
// file byte-identical, no work file or handle stays behind.
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/picturedb/picture_file_memory.h"
#include "common/picturedb/picture_walks.h"

namespace {

const char kDb[] = "D:\\data\\bilder.dat";

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckClean(MemoryPictureFiles* fs)
{
    Check(fs->handles.empty());
    Check(fs->files.count("D:\\data\\bilder.convert") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3 || size > (1u << 16))
        return 0;
    // The last three bytes say what to do; everything before them is the
    // file, so a "bilder.dat" with three bytes appended seeds it unchanged.
    const uint8_t* controls = data + size - 3;
    const int builtinCount = controls[0] % 16;
    const int failAt = controls[1];
    const uint8_t operations = controls[2];
    std::vector<uint8_t> file(data, controls);

    // The codec on every whole record, both formats.
    for (size_t at = 0; at + PICTURE_RECORD_SIZE <= file.size(); at += PICTURE_RECORD_SIZE) {
        PictureRecord record;
        DecodePictureRecord(file.data() + at, &record);
        Check(strlen(record.picture) < PICTURE_PATH_SIZE && strlen(record.thumbnail) < PICTURE_PATH_SIZE);
        uint8_t again[PICTURE_RECORD_SIZE];
        EncodePictureRecord(&record, again);
        IsOwnThumbnail(record.thumbnail, record.picture, "D:\\data\\");
    }
    if (file.size() >= PICTURE_RECORD_V3_SIZE) {
        PictureRecord record;
        DecodePictureRecordV3(file.data(), 0, &record);
    }

    MemoryPictureFiles fs;
    InitMemoryPictureFiles(&fs);
    fs.files[kDb] = file;
    fs.files["D:\\data\\thumb.jpg"] = std::vector<uint8_t>(1, 1);
    fs.failAt = failAt;
    const PictureFileOps* ops = &fs.ops;

    int count = 0;
    CountPictureRecordsIn(ops, kDb, &count);
    PictureRecord record;
    memset(&record, 0, sizeof(record));
    for (int n = -1; n <= count + 1 && n < 8; n++)
        ReadPictureRecordIn(ops, kDb, &record, n);
    FindPictureRecordIn(ops, kDb, record.picture);
    CheckClean(&fs);

    typedef int (*Rewrite)(const PictureFileOps*, int);
    const Rewrite rewrites[] = {
        [](const PictureFileOps* o, int) { return ConvertPictureDatabaseIn(o, kDb); },
        [](const PictureFileOps* o, int builtins) { return RebuildPictureDatabaseIn(o, kDb, builtins); },
        [](const PictureFileOps* o, int) { return CompactPictureDatabaseIn(o, kDb); },
        [](const PictureFileOps* o, int) {
            int n;
            return BackupPictureDatabaseIn(o, kDb, &n);
        },
        [](const PictureFileOps* o, int) { return RestorePictureDatabaseIn(o, kDb); },
        [](const PictureFileOps* o, int builtins) { return CreateDefaultPictureDatabaseIn(o, kDb, builtins); },
    };
    for (size_t i = 0; i < sizeof(rewrites) / sizeof(rewrites[0]); i++) {
        if (!(operations & (1u << i)))
            continue;
        std::vector<uint8_t> before = fs.files[kDb];
        if (!rewrites[i](ops, builtinCount))
            Check(fs.files[kDb] == before);
        CheckClean(&fs);
    }
    if (operations & 0x80) {
        WritePictureRecordIn(ops, kDb, &record, (int)(int8_t)controls[0] % 4);
        CheckClean(&fs);
    }
    FreeMemoryPictureFiles(&fs);
    return 0;
}

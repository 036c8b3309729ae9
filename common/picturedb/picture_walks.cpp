#include "common/picturedb/picture_walks.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kWorkName[] = "bilder.convert";

struct OpenFile {
    const PictureFileOps* ops;
    PictureFile file;
    OpenFile(const PictureFileOps* o, const char* path, PictureOpenMode mode) : ops(o), file(o->open(o->context, path, mode)) {}
    ~OpenFile() { Close(); }
    void Close()
    {
        if (file)
            ops->close(ops->context, file);
        file = nullptr;
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
};

bool ReadWhole(const PictureFileOps* ops, PictureFile file, int64_t offset, void* buffer, uint32_t bytes)
{
    uint32_t done = 0;
    return ops->readAt(ops->context, file, offset, buffer, bytes, &done) && done == bytes;
}

bool WriteWhole(const PictureFileOps* ops, PictureFile file, int64_t offset, const void* data, uint32_t bytes)
{
    uint32_t done = 0;
    return ops->writeAt(ops->context, file, offset, data, bytes, &done) && done == bytes;
}

// Every whole record of an open file, or false when any of them cannot be read.
bool ReadAllRecords(const PictureFileOps* ops, PictureFile file, uint32_t recordSize, std::vector<uint8_t>* out,
                    int64_t* fileSize)
{
    int64_t size = 0;
    if (!ops->size(ops->context, file, &size) || size < 0)
        return false;
    *fileSize = size;
    int64_t count = size / recordSize;
    out->clear();
    std::vector<uint8_t> record(recordSize);
    for (int64_t i = 0; i < count; i++) {
        if (!ReadWhole(ops, file, i * recordSize, record.data(), recordSize))
            return false;
        out->insert(out->end(), record.begin(), record.end());
    }
    return true;
}

// Writes `records` as the whole new file under the work name and replaces the
// database with it; on any failure the database stays as it was and the work
// file goes. `keepCopy` names the copy of the old database taken first.
bool ReplaceDatabase(const PictureFileOps* ops, const char* database, const std::vector<uint8_t>& records,
                     bool lockRecords, const char* keepCopy)
{
    char work[PICTURE_PATH_SIZE];
    if (!PictureWorkPath(database, kWorkName, work))
        return false;
    ops->remove(ops->context, work);
    bool ok;
    {
        OpenFile out(ops, work, PDB_CREATE);
        ok = out.file != nullptr;
        for (size_t at = 0; ok && at < records.size(); at += PICTURE_RECORD_SIZE) {
            if (lockRecords && !ops->lock(ops->context, out.file, (int64_t)at, PICTURE_RECORD_SIZE)) {
                ok = false;
                break;
            }
            ok = WriteWhole(ops, out.file, (int64_t)at, records.data() + at, PICTURE_RECORD_SIZE);
            if (lockRecords)
                ops->unlock(ops->context, out.file, (int64_t)at, PICTURE_RECORD_SIZE);
        }
        ok = ok && ops->flush(ops->context, out.file);
    }
    if (ok && keepCopy) {
        char copy[PICTURE_PATH_SIZE];
        ok = PictureWorkPath(database, keepCopy, copy) && ops->copy(ops->context, database, copy);
    }
    ok = ok && ops->replace(ops->context, work, database);
    if (!ok)
        ops->remove(ops->context, work);
    return ok;
}

void AppendRecord(std::vector<uint8_t>* records, const PictureRecord* record)
{
    uint8_t bytes[PICTURE_RECORD_SIZE];
    EncodePictureRecord(record, bytes);
    records->insert(records->end(), bytes, bytes + PICTURE_RECORD_SIZE);
}

// An absolute path ("X:\..." or "\\server\share\...") with "." and ".."
// resolved, separators unified and the trailing dots and blanks of each part
// dropped, as Windows does; false for anything else.
bool NormalisePath(const char* path, std::string* out)
{
    std::string p(path, strnlen(path, PICTURE_PATH_SIZE));
    for (char& c : p)
        if (c == '/')
            c = '\\';
    std::string root;
    size_t at;
    if (p.size() >= 3 && ((p[0] | 0x20) >= 'a' && (p[0] | 0x20) <= 'z') && p[1] == ':' && p[2] == '\\') {
        root = p.substr(0, 2);
        at = 3;
    } else if (p.size() > 2 && p[0] == '\\' && p[1] == '\\' && p[2] != '?' && p[2] != '.') {
        // Server and share form the root.
        size_t server = p.find('\\', 2);
        if (server == std::string::npos || server == 2)
            return false;
        size_t share = p.find('\\', server + 1);
        if (share == std::string::npos)
            share = p.size();
        if (share == server + 1)
            return false;
        root = p.substr(0, share);
        at = share;
    } else {
        return false;
    }
    std::vector<std::string> parts;
    while (at <= p.size()) {
        size_t end = p.find('\\', at);
        if (end == std::string::npos)
            end = p.size();
        std::string part = p.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' '))
            part.pop_back();
        if (part.empty())
            return false;
        parts.push_back(part);
    }
    *out = root;
    for (const std::string& part : parts)
        *out += "\\" + part;
    return true;
}

}  // namespace

bool PictureWorkPath(const char* database, const char* name, char out[PICTURE_PATH_SIZE])
{
    size_t length = strnlen(database, PICTURE_PATH_SIZE);
    if (length >= PICTURE_PATH_SIZE)
        return false;
    size_t folder = length;
    while (folder > 0 && database[folder - 1] != '\\' && database[folder - 1] != '/')
        folder--;
    size_t nameLength = strlen(name);
    if (folder + nameLength >= PICTURE_PATH_SIZE)
        return false;
    memcpy(out, database, folder);
    memcpy(out + folder, name, nameLength + 1);
    return true;
}

bool IsOwnThumbnail(const char* thumbnail, const char* picture, const char* folder)
{
    if (IsBuiltinPicture(thumbnail))
        return false;
    std::string thumb, root, pic;
    if (!NormalisePath(thumbnail, &thumb) || !NormalisePath(folder, &root))
        return false;
    if (thumb.size() <= root.size() + 1 || thumb[root.size()] != '\\' ||
        !PictureNamesEqual(thumb.substr(0, root.size()).c_str(), root.c_str()))
        return false;
    if (PictureNamesEqual(thumbnail, picture))
        return false;
    return !(NormalisePath(picture, &pic) && PictureNamesEqual(thumb.c_str(), pic.c_str()));
}

int CountPictureRecordsIn(const PictureFileOps* ops, const char* database, int* count)
{
    *count = 0;
    OpenFile in(ops, database, PDB_READ_SHARED);
    int64_t size = 0;
    if (!in.file || !ops->size(ops->context, in.file, &size) || size < 0)
        return 0;
    int64_t records = size / PICTURE_RECORD_SIZE;
    *count = records > INT32_MAX ? INT32_MAX : (int)records;
    return 1;
}

int ReadPictureRecordIn(const PictureFileOps* ops, const char* database, PictureRecord* record, int n)
{
    if (!record || n < 0)
        return 0;
    OpenFile in(ops, database, PDB_READ_SHARED);
    int64_t size = 0;
    if (!in.file || !ops->size(ops->context, in.file, &size) || n >= size / PICTURE_RECORD_SIZE)
        return 0;
    uint8_t bytes[PICTURE_RECORD_SIZE];
    if (!ReadWhole(ops, in.file, (int64_t)n * PICTURE_RECORD_SIZE, bytes, PICTURE_RECORD_SIZE))
        return 0;
    DecodePictureRecord(bytes, record);
    return 1;
}

int FindPictureRecordIn(const PictureFileOps* ops, const char* database, const char* picture)
{
    if (!picture)
        return 0;
    OpenFile in(ops, database, PDB_READ_SHARED);
    if (!in.file)
        return 0;
    uint8_t bytes[PICTURE_RECORD_SIZE];
    PictureRecord record;
    for (int64_t n = 0; ReadWhole(ops, in.file, n * PICTURE_RECORD_SIZE, bytes, PICTURE_RECORD_SIZE); n++) {
        DecodePictureRecord(bytes, &record);
        if (PictureNamesEqual(record.picture, picture))
            return 1;
    }
    return 0;
}

int WritePictureRecordIn(const PictureFileOps* ops, const char* database, const PictureRecord* record, int n)
{
    if (!record)
        return 0;
    OpenFile out(ops, database, PDB_WRITE_RECORD);
    int64_t size = 0;
    if (!out.file || !ops->size(ops->context, out.file, &size) || size < 0)
        return 0;
    // Whole records only: an append after a damaged tail overwrites the tail,
    // and no write leaves a hole of zero records.
    int64_t count = size / PICTURE_RECORD_SIZE;
    if (n > count)
        return 0;
    int64_t offset = (n < 0 ? count : n) * PICTURE_RECORD_SIZE;
    uint8_t bytes[PICTURE_RECORD_SIZE];
    EncodePictureRecord(record, bytes);
    if (!ops->lock(ops->context, out.file, offset, PICTURE_RECORD_SIZE))
        return 0;
    bool ok = WriteWhole(ops, out.file, offset, bytes, PICTURE_RECORD_SIZE);
    ops->unlock(ops->context, out.file, offset, PICTURE_RECORD_SIZE);
    return ok ? 1 : 0;
}

int CreateDefaultPictureDatabaseIn(const PictureFileOps* ops, const char* database, int builtinCount)
{
    if (builtinCount > PICTURE_BUILTIN_MAX)
        builtinCount = PICTURE_BUILTIN_MAX;
    std::vector<uint8_t> records;
    PictureRecord record;
    for (int i = 1; i <= builtinCount; i++) {
        MakeBuiltinPictureRecord(i, &record);
        AppendRecord(&records, &record);
    }
    return ReplaceDatabase(ops, database, records, false, nullptr) ? 1 : 0;
}

int ConvertPictureDatabaseIn(const PictureFileOps* ops, const char* database)
{
    if (!ops->exists(ops->context, database))
        return 0;
    std::vector<uint8_t> old;
    int64_t size = 0;
    {
        OpenFile in(ops, database, PDB_READ_SHARED);
        if (!in.file || !ops->size(ops->context, in.file, &size) || size < 0)
            return 0;
        if (size == 0)
            return 1;
        uint8_t head[6];
        if (size >= 6) {
            if (!ReadWhole(ops, in.file, 0, head, sizeof(head)))
                return 0;
            int32_t version = (int32_t)((uint32_t)head[2] | ((uint32_t)head[3] << 8) | ((uint32_t)head[4] << 16) |
                                        ((uint32_t)head[5] << 24));
            if (head[0] == 'M' && head[1] == 0 && version >= PICTURE_RECORD_VERSION)
                return 1;
        }
        if (!ReadAllRecords(ops, in.file, PICTURE_RECORD_V3_SIZE, &old, &size))
            return 0;
    }
    std::vector<uint8_t> records;
    PictureRecord record;
    for (size_t k = 0; k * PICTURE_RECORD_V3_SIZE < old.size(); k++) {
        DecodePictureRecordV3(old.data() + k * PICTURE_RECORD_V3_SIZE, (int32_t)k, &record);
        AppendRecord(&records, &record);
    }
    return ReplaceDatabase(ops, database, records, false, "bilder.V3") ? 1 : 0;
}

int RebuildPictureDatabaseIn(const PictureFileOps* ops, const char* database, int builtinCount)
{
    if (!ops->exists(ops->context, database))
        return 0;
    if (builtinCount > PICTURE_BUILTIN_MAX)
        builtinCount = PICTURE_BUILTIN_MAX;
    std::vector<uint8_t> old;
    int64_t size = 0;
    {
        OpenFile in(ops, database, PDB_READ_SHARED);
        if (!in.file || !ReadAllRecords(ops, in.file, PICTURE_RECORD_SIZE, &old, &size))
            return 0;
    }
    const size_t oldCount = old.size() / PICTURE_RECORD_SIZE;

    // A fresh built-in record keeps the fields of the old record of its name.
    auto freshBuiltin = [&](int k, uint8_t* bytes) {
        char name[8];
        BuiltinPictureName(k, name);
        PictureRecord record;
        for (size_t i = 0; i < oldCount; i++) {
            DecodePictureRecord(old.data() + i * PICTURE_RECORD_SIZE, &record);
            if (PictureNamesEqual(record.picture, name)) {
                memcpy(bytes, old.data() + i * PICTURE_RECORD_SIZE, PICTURE_RECORD_SIZE);
                StampPictureRecord(bytes, k);
                return;
            }
        }
        MakeBuiltinPictureRecord(k, &record);
        EncodePictureRecord(&record, bytes);
    };

    std::vector<uint8_t> records;
    uint8_t bytes[PICTURE_RECORD_SIZE];
    int k = 0;
    for (size_t r = 0; r < oldCount;) {
        const uint8_t* oldRecord = old.data() + r * PICTURE_RECORD_SIZE;
        int slot = k++;
        if (slot < builtinCount && IsUserPictureBytes(oldRecord)) {
            freshBuiltin(k, bytes);   // the user record moves to a later slot
        } else {
            memcpy(bytes, oldRecord, PICTURE_RECORD_SIZE);
            StampPictureRecord(bytes, (int32_t)r);
            r++;
        }
        PictureRecord record;
        DecodePictureRecord(bytes, &record);
        size_t length = strlen(record.picture);
        if (k <= builtinCount || length > 4 || strchr(record.picture, '.') || strchr(record.picture, ':'))
            records.insert(records.end(), bytes, bytes + PICTURE_RECORD_SIZE);
    }
    while (k < builtinCount) {
        k++;
        freshBuiltin(k, bytes);
        records.insert(records.end(), bytes, bytes + PICTURE_RECORD_SIZE);
    }
    return ReplaceDatabase(ops, database, records, false, "bilder.bak") ? 1 : 0;
}

int CompactPictureDatabaseIn(const PictureFileOps* ops, const char* database)
{
    if (!ops->exists(ops->context, database))
        return 0;
    std::vector<uint8_t> old;
    int64_t size = 0;
    {
        OpenFile in(ops, database, PDB_READ_EXCLUSIVE);
        if (!in.file || !ReadAllRecords(ops, in.file, PICTURE_RECORD_SIZE, &old, &size))
            return 0;
    }
    // Compaction keeps no copy, so a damaged tail stays where it is.
    if (size % PICTURE_RECORD_SIZE != 0)
        return 0;
    char folder[PICTURE_PATH_SIZE];
    if (!PictureWorkPath(database, "", folder))
        return 0;
    std::vector<uint8_t> kept;
    std::vector<std::string> thumbnails;
    PictureRecord record;
    for (size_t at = 0; at < old.size(); at += PICTURE_RECORD_SIZE) {
        DecodePictureRecord(old.data() + at, &record);
        if (record.state != 0)
            kept.insert(kept.end(), old.begin() + at, old.begin() + at + PICTURE_RECORD_SIZE);
        else if (IsOwnThumbnail(record.thumbnail, record.picture, folder))
            thumbnails.push_back(record.thumbnail);
    }
    if (!ReplaceDatabase(ops, database, kept, true, nullptr))
        return 0;
    for (const std::string& thumbnail : thumbnails)
        if (ops->exists(ops->context, thumbnail.c_str()))
            ops->remove(ops->context, thumbnail.c_str());
    return 1;
}

int BackupPictureDatabaseIn(const PictureFileOps* ops, const char* database, int* count)
{
    *count = 0;
    char temp[PICTURE_PATH_SIZE];
    if (!PictureWorkPath(database, "bilder.temp", temp) || !ops->exists(ops->context, database))
        return 0;
    if (!ops->copy(ops->context, database, temp)) {
        // A stale or partial copy must not be put back later.
        ops->remove(ops->context, temp);
        return 0;
    }
    return CountPictureRecordsIn(ops, database, count);
}

int RestorePictureDatabaseIn(const PictureFileOps* ops, const char* database)
{
    char temp[PICTURE_PATH_SIZE];
    if (!PictureWorkPath(database, "bilder.temp", temp) || !ops->exists(ops->context, temp) ||
        !ops->exists(ops->context, database))
        return 0;
    return ops->replace(ops->context, temp, database) ? 1 : 0;
}

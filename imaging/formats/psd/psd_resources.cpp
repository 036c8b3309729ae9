// The image-resource block of a Photoshop file: "8BIM", a 16-bit id, a
// Pascal name padded to an even size, a 32-bit data size and the data
// (padded to an even size). Every read stays inside the block.
#include <cstring>

#include "psd_reader.h"

namespace {

uint32_t Be16(const BYTE* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t Be32(const BYTE* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

enum Ending { kClean = 0, kNoSignature = 1, kCutRecord = 2, kDataPastBlock = 3 };

}  // namespace

BOOL CISPhotoshopResources::ISParse8BIMResources(const BYTE* block, uint32_t length, bool keep)
{
    m_resources.clear();
    m_status = 0;
    if (!block) {
        m_status = 5;
        return FALSE;
    }
    uint32_t cursor = 0;
    uint32_t parsed = 0;
    int ending = kClean;
    while (length - cursor > 4) {
        // Writers leave stray bytes between records; the next signature counts.
        uint32_t at = cursor;
        while (length - at >= 4 && std::memcmp(block + at, "8BIM", 4) != 0)
            ++at;
        if (length - at < 4) {
            ending = kNoSignature;
            break;
        }
        uint32_t p = at + 4;
        if (length - p < 3) {
            ending = kCutRecord;
            break;
        }
        const int32_t id = static_cast<int32_t>(Be16(block + p));
        p += 2;
        const uint32_t nameField = (1 + uint32_t(block[p]) + 1) & ~1u;
        if (length - p < nameField) {
            ending = kCutRecord;
            break;
        }
        const uint32_t nameAt = p + 1;
        p += nameField;
        if (length - p < 4) {
            ending = kCutRecord;
            break;
        }
        const uint32_t size = Be32(block + p);
        p += 4;
        if (size > length - p) {
            ending = kDataPastBlock;
            break;
        }
        // The pad byte of an odd size may be missing at the block's end.
        const uint64_t padded = uint64_t(size) + (size & 1);
        const uint32_t end = padded < uint64_t(length - p) ? p + static_cast<uint32_t>(padded) : length;
        ++parsed;
        bool wanted = m_wanted.empty();
        for (int32_t w : m_wanted)
            wanted = wanted || w == id;
        if (keep && wanted) {
            std::unique_ptr<ISPhotoshopResource> r(new (std::nothrow) ISPhotoshopResource);
            if (!r || end - at > 0x7FFFFFFFu || !r->bytes.Assign(block + at, static_cast<int32_t>(end - at))) {
                m_status = 1;
                return FALSE;
            }
            r->id = id;
            r->offset = static_cast<int32_t>(p - at);
            r->dataSize = size;
            r->name.assign(reinterpret_cast<const char*>(block + nameAt), nameField - 1);
            m_resources.push_back(std::move(r));
        }
        cursor = end;
    }
    if (parsed > 0 && ending != kCutRecord)
        return TRUE;
    // What was parsed before the fault stays for the caller to look up.
    m_status = 67;
    return FALSE;
}

const ISPhotoshopResource* CISPhotoshopResources::Find(int32_t id) const
{
    for (const auto& r : m_resources)
        if (r->id == id)
            return r.get();
    return nullptr;
}

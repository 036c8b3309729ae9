// isread: reads a picture through is5_ReadImage or one format entry and writes
// the buffer as PNM/PAM, for checking readers against peer tools.
//
//   isread [--memory] [--seek N] IN OUT --mode M
//   isread [--memory] [--seek N] IN OUT --entry NAME [--depth D] [--flags F] [--page P] [--password S]
//
// NAME is the entry without its prefix (ReadJPG, ReadPNG, ...; GetPNGDims and
// the other dims entries print their values and write nothing). OUT "-"
// writes nothing. Prints "status=N w=W h=H" (the entry's last error and size).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/is5.h"

namespace {

struct Options {
    bool memory = false;
    long seek = 0;
    std::string in;
    std::string out;
    int mode = -1;
    std::string entry;
    uint32_t depth = 24;
    uint32_t flags = 0;
    int32_t page = 0;
    const char* password = nullptr;
};

// What the buffer holds.
struct Picture {
    void* buffer = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 24;  // 1, 8, 16, 24, 32, 48 or 64; 0 = packed DIB
    RGBQUAD palette[256] = {};
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: isread [--memory] [--seek N] IN OUT --mode M\n"
                 "       isread [--memory] [--seek N] IN OUT --entry NAME [--depth D] [--flags F] [--page P] "
                 "[--password S]\n");
    return 2;
}

bool Parse(int argc, char** argv, Options* o)
{
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char** out) {
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (a == "--memory") {
            o->memory = true;
        } else if (a == "--seek" && value(&v)) {
            o->seek = std::strtol(v, nullptr, 0);
        } else if (a == "--mode" && value(&v)) {
            o->mode = static_cast<int>(std::strtol(v, nullptr, 0));
        } else if (a == "--entry" && value(&v)) {
            o->entry = v;
        } else if (a == "--depth" && value(&v)) {
            o->depth = static_cast<uint32_t>(std::strtoul(v, nullptr, 0));
        } else if (a == "--flags" && value(&v)) {
            o->flags = static_cast<uint32_t>(std::strtoul(v, nullptr, 0));
        } else if (a == "--page" && value(&v)) {
            o->page = static_cast<int32_t>(std::strtol(v, nullptr, 0));
        } else if (a == "--password" && value(&v)) {
            o->password = v;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return false;
        } else {
            plain.push_back(a);
        }
    }
    if (plain.size() != 2 || (o->mode < 0) == o->entry.empty())
        return false;
    o->in = plain[0];
    o->out = plain[1];
    return true;
}

bool ReadAll(const std::string& path, std::vector<uint8_t>* bytes)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        bytes->insert(bytes->end(), block, block + n);
    std::fclose(f);
    return true;
}

// Calls the named dims entry and prints what it found after the size; false
// for an unknown name.
bool CallDims(HISSRC s, const Options& o, Picture* p, std::string* extra)
{
    const std::string& e = o.entry;
    uint32_t* w = &p->width;
    uint32_t* h = &p->height;
    uint32_t a = 0, b = 0, c = 0;
    int32_t t[5] = {0, 0, 0, 0, 0};
    ISResolution res = {0, 0, 0};
    char text[200] = "";
    if (e == "GetJPGDims") {
        is5_GetJPGDims(s, w, h, &a, &b, &c, &res, 0);
        std::snprintf(text, sizeof text, " bits=%u space=%u coding=%u", a, b, c);
    } else if (e == "GetBMPDims") {
        is5_GetBMPDims(s, w, h, &a, &res, 0);
        std::snprintf(text, sizeof text, " bits=%u", a);
    } else if (e == "GetTGADims") {
        is5_GetTGADims(s, w, h, &a, 0);
        std::snprintf(text, sizeof text, " bits=%u", a);
    } else if (e == "GetWBMPDims") {
        is5_GetWBMPDims(s, w, h, 0);
    } else if (e == "GetPSDDims") {
        is5_GetPSDDims(s, w, h, &a, &b, &res, 0);
        std::snprintf(text, sizeof text, " depth=%u mode=%u", a, b);
    } else if (e == "GetTLADims_") {
        is5_GetTLADims_(s, w, h, &a, o.password, 0);
        std::snprintf(text, sizeof text, " bits=%u", a);
    } else if (e == "GetPNMDims") {
        is5_GetPNMDims(s, w, h, &a, &b, 0);
        std::snprintf(text, sizeof text, " value=%u magic=0x%04X", a, b);
    } else if (e == "GetTIFFDims") {
        is5_GetTIFFDims(s, o.page, w, h, &a, &res, 0);
        std::snprintf(text, sizeof text, " bits=%u", a);
    } else if (e == "GetPCXDims") {
        is5_GetPCXDims(s, w, h, &a, &res, 0);
        std::snprintf(text, sizeof text, " bits=%u", a);
    } else if (e == "GetPNGDims") {
        is5_GetPNGDims(s, w, h, &a, &b, &c, &t[0], &t[1], &t[2], &t[3], &t[4], &res, 0);
        std::snprintf(text, sizeof text, " depth=%u type=%u interlace=%u trns=%d,%d,%d,%d", a, b, c, int(t[1]),
                      int(t[2]), int(t[3]), int(t[4]));
    } else {
        return false;
    }
    *extra = text;
    if (res.unit || res.x || res.y) {
        std::snprintf(text, sizeof text, " res=%g,%g,%u", res.x, res.y, res.unit);
        *extra += text;
    }
    return true;
}

// Calls the named entry; false for an unknown name.
bool CallEntry(HISSRC s, const Options& o, Picture* p)
{
    const std::string& e = o.entry;
    uint32_t* w = &p->width;
    uint32_t* h = &p->height;
    p->bits = o.depth;
    if (e == "ReadJPG") {
        p->buffer = is5_ReadJPG(s, w, h, o.depth, o.flags);
    } else if (e == "ReadBMP") {
        p->buffer = is5_ReadBMP(s, w, h, o.depth, p->palette, o.flags);
    } else if (e == "ReadTGA") {
        p->buffer = is5_ReadTGA(s, w, h, o.depth, p->palette, o.flags);
    } else if (e == "ReadWBMP") {
        p->buffer = is5_ReadWBMP(s, w, h, p->palette, o.depth, o.flags);
    } else if (e == "ReadPSD") {
        p->buffer = is5_ReadPSD(s, w, h, o.depth, p->palette, o.flags);
    } else if (e == "ReadTLA") {
        p->buffer = is5_ReadTLA(s, w, h, o.password, o.depth, p->palette, o.flags);
        p->bits = o.depth * 8;  // the depth counts bytes
    } else if (e == "ReadPNM") {
        p->buffer = is5_ReadPNM(s, w, h, o.depth, o.flags);
        p->palette[0] = RGBQUAD{255, 255, 255, 0};  // a set PBM bit is black
        p->palette[1] = RGBQUAD{0, 0, 0, 0};
        for (int i = 0; o.depth == 8 && i < 256; ++i)
            p->palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    } else if (e == "ReadTIFF") {
        p->buffer = is5_ReadTIFF(s, w, h, o.depth, p->palette, o.page, o.flags);
    } else if (e == "ReadGIF") {
        int32_t transparent = -1;
        p->buffer = is5_ReadGIF(s, w, h, &transparent, p->palette, o.flags);
        p->bits = 8;
    } else if (e == "ReadPCX") {
        p->buffer = is5_ReadPCX(s, w, h, o.depth, p->palette, o.flags);
    } else if (e == "ReadPNG") {
        p->buffer = is5_ReadPNG(s, w, h, o.depth, p->palette, o.flags);
    } else if (e == "ReadPCD") {
        p->buffer = is5_ReadPCD(s, w, h, o.page, o.flags);
        p->bits = 24;
    } else {
        return false;
    }
    if (o.flags & 2)
        p->bits = 0;
    return true;
}

void Header(FILE* f, const char* magic, uint32_t w, uint32_t h, uint32_t maxval)
{
    std::fprintf(f, "%s\n%u %u\n%u\n", magic, w, h, maxval);
}

void PamHeader(FILE* f, uint32_t w, uint32_t h, uint32_t depth, uint32_t maxval, const char* type)
{
    std::fprintf(f, "P7\nWIDTH %u\nHEIGHT %u\nDEPTH %u\nMAXVAL %u\nTUPLTYPE %s\nENDHDR\n", w, h, depth, maxval, type);
}

// 16-bit samples in host order out as PNM's big-endian ones.
void Put16(FILE* f, const uint16_t* samples, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint8_t b[2] = {uint8_t(samples[i] >> 8), uint8_t(samples[i])};
        std::fwrite(b, 1, 2, f);
    }
}

bool WriteDib(FILE* f, const uint8_t* dib)
{
    BITMAPINFOHEADER hd;
    std::memcpy(&hd, dib, sizeof hd);
    if (hd.biSize < 40 || hd.biCompression != BI_RGB)
        return false;
    uint32_t w = uint32_t(hd.biWidth < 0 ? -hd.biWidth : hd.biWidth);
    bool topDown = hd.biHeight < 0;
    uint32_t h = uint32_t(topDown ? -hd.biHeight : hd.biHeight);
    uint32_t bits = hd.biBitCount;
    uint32_t colours = bits <= 8 ? (hd.biClrUsed ? hd.biClrUsed : 1u << bits) : 0;
    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(dib + hd.biSize);
    const uint8_t* pixels = dib + hd.biSize + colours * 4;
    size_t stride = (size_t(w) * bits + 31) / 32 * 4;
    if (bits == 32)
        PamHeader(f, w, h, 4, 255, "RGB_ALPHA");
    else if (bits == 1 || bits == 4 || bits == 8 || bits == 24)
        Header(f, "P6", w, h, 255);
    else
        return false;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = pixels + stride * (topDown ? y : h - 1 - y);
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t px[4];
            if (bits == 24 || bits == 32) {
                const uint8_t* s = row + x * (bits / 8);
                px[0] = s[2], px[1] = s[1], px[2] = s[0], px[3] = bits == 32 ? s[3] : 255;
            } else {
                uint32_t bit = x * bits;
                uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                const RGBQUAD& q = palette[index < colours ? index : 0];
                px[0] = q.rgbRed, px[1] = q.rgbGreen, px[2] = q.rgbBlue;
            }
            std::fwrite(px, 1, bits == 32 ? 4 : 3, f);
        }
    }
    return true;
}

bool WritePicture(const std::string& path, const Picture& p)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const uint8_t* data = static_cast<const uint8_t*>(p.buffer);
    size_t pixels = size_t(p.width) * p.height;
    bool ok = true;
    switch (p.bits) {
    case 0:
        ok = WriteDib(f, data);
        break;
    case 1:
        std::fprintf(f, "P4\n%u %u\n", p.width, p.height);
        std::fwrite(data, 1, (size_t(p.width) + 7) / 8 * p.height, f);
        break;
    case 8:
        Header(f, "P6", p.width, p.height, 255);
        for (size_t i = 0; i < pixels; ++i) {
            const RGBQUAD& q = p.palette[data[i]];
            uint8_t px[3] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
            std::fwrite(px, 1, 3, f);
        }
        break;
    case 16:
        Header(f, "P5", p.width, p.height, 65535);
        Put16(f, reinterpret_cast<const uint16_t*>(data), pixels);
        break;
    case 24:
        Header(f, "P6", p.width, p.height, 255);
        std::fwrite(data, 1, pixels * 3, f);
        break;
    case 32:
        PamHeader(f, p.width, p.height, 4, 255, "RGB_ALPHA");
        std::fwrite(data, 1, pixels * 4, f);
        break;
    case 48:
        Header(f, "P6", p.width, p.height, 65535);
        Put16(f, reinterpret_cast<const uint16_t*>(data), pixels * 3);
        break;
    case 64:
        PamHeader(f, p.width, p.height, 4, 65535, "RGB_ALPHA");
        Put16(f, reinterpret_cast<const uint16_t*>(data), pixels * 4);
        break;
    default:
        ok = false;
    }
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!Parse(argc, argv, &o))
        return Usage();
    std::vector<uint8_t> bytes;
    HISSRC source = nullptr;
    if (o.memory) {
        if (!ReadAll(o.in, &bytes) || bytes.empty()) {
            std::fprintf(stderr, "isread: cannot read %s\n", o.in.c_str());
            return 1;
        }
        source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    } else {
        source = is5_OpenFileSource(o.in.c_str());
    }
    if (!source) {
        std::fprintf(stderr, "isread: cannot open %s\n", o.in.c_str());
        return 1;
    }
    if (o.seek && !is5_Seek(source, static_cast<int32_t>(o.seek), 0))
        std::fprintf(stderr, "isread: cannot seek to %ld\n", o.seek);

    Picture p;
    std::string extra;
    if (o.mode >= 0) {
        p.buffer = is5_ReadImage(source, &p.width, &p.height, static_cast<uint32_t>(o.mode), 0);
        p.bits = o.mode == 1 ? 32 : o.mode == 2 ? 0 : o.mode == 3 ? 1 : 24;
    } else if (o.entry.compare(0, 3, "Get") == 0) {
        if (!CallDims(source, o, &p, &extra)) {
            std::fprintf(stderr, "isread: unknown entry %s\n", o.entry.c_str());
            is5_CloseSource(source);
            return 2;
        }
    } else if (!CallEntry(source, o, &p)) {
        std::fprintf(stderr, "isread: unknown entry %s\n", o.entry.c_str());
        is5_CloseSource(source);
        return 2;
    }
    int32_t status = ISGetLastError();
    is5_CloseSource(source);
    std::printf("status=%d w=%u h=%u%s\n", int(status), p.width, p.height, extra.c_str());
    int result = 0;
    if (p.buffer && o.out != "-" && !WritePicture(o.out, p)) {
        std::fprintf(stderr, "isread: cannot write %s\n", o.out.c_str());
        result = 1;
    }
    if (p.buffer)
        GlobalFree(p.buffer);
    return result;
}

#include "tests/support/test_support.h"

#include <cstdio>
#include <cctype>
#include <cstdlib>

namespace vt {

namespace {
std::string EnvOr(const char* name, const char* fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}
}

std::string HostPath(const std::string& path)
{
#ifdef _WIN32
    // Wine maps the Unix root to Z:, which keeps paths valid whatever the current drive.
    if (!path.empty() && path[0] == '/')
        return "Z:" + path;
#endif
    return path;
}

std::string FixturePath(const std::string& name) { return HostPath(EnvOr("VESKO_FIXTURES", "fixtures") + "/" + name); }
std::string BuildPath(const std::string& name) { return HostPath(EnvOr("VESKO_BUILD", ".") + "/" + name); }

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes->clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes->insert(bytes->end(), buf, buf + n);
    std::fclose(f);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool ReadPnm(const std::string& path, Pnm* image)
{
    std::vector<uint8_t> b;
    if (!ReadFileBytes(path, &b) || b.size() < 2 || b[0] != 'P' || (b[1] != '5' && b[1] != '6'))
        return false;
    size_t pos = 2;
    int fields[3];
    for (int& field : fields) {
        for (;;) {
            while (pos < b.size() && std::isspace(b[pos]))
                ++pos;
            if (pos < b.size() && b[pos] == '#') {
                while (pos < b.size() && b[pos] != '\n')
                    ++pos;
                continue;
            }
            break;
        }
        field = 0;
        while (pos < b.size() && b[pos] >= '0' && b[pos] <= '9')
            field = field * 10 + (b[pos++] - '0');
    }
    ++pos;  // the single white-space byte before the samples
    if (fields[2] != 255)
        return false;
    image->width = fields[0];
    image->height = fields[1];
    image->channels = b[1] == '5' ? 1 : 3;
    size_t need = size_t(image->width) * image->height * image->channels;
    if (pos + need > b.size())
        return false;
    image->pixels.assign(b.begin() + pos, b.begin() + pos + need);
    return true;
}

}  // namespace vt

#include "tests/support/test_support.h"

#include <cstdio>
#include <cstring>

#include <png.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <cctype>
#include <cstdlib>

namespace vt {


std::string HostPath(const std::string& path)
{
#ifdef _WIN32
    // Wine maps the Unix root to Z:, which keeps paths valid whatever the current drive.
    if (!path.empty() && path[0] == '/')
        return "Z:" + path;
#endif
    return path;
}

std::string FixturePath(const std::string& name) { return HostPath(std::string(VESKO_BUILD_DIR) + "/fixtures/" + name); }
std::string BuildPath(const std::string& name) { return HostPath(std::string(VESKO_BUILD_DIR) + "/" + name); }

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
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
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

int RunHost(const std::string& program, const std::vector<std::string>& args)
{
#ifdef _WIN32
    std::string cmd = HostPath(program);
    for (const std::string& a : args)
        cmd += " " + a;
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
#else
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

bool TakeScreenshot(const std::string& pngPath, Pnm* image)
{
    std::string tool = std::string(VESKO_SOURCE_DIR) + "/tools/screenshot";
    // The host program sees host paths: strip the drive Wine put in front.
    std::string hostOut = pngPath.rfind("Z:", 0) == 0 ? pngPath.substr(2) : pngPath;
    std::remove(pngPath.c_str());
    // Wine starts ELF programs, not scripts: run the script through bash. It
    // does not wait for a Unix child either, so wait for the file to appear.
    if (RunHost("/bin/bash", {tool, hostOut}) != 0)
        return false;
    // Composing layered windows asks Wine for the wallpaper: allow for a busy machine.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 1200 && !ReadFileBytes(pngPath, &bytes); ++i) {
#ifdef _WIN32
        Sleep(50);
#else
        usleep(50000);
#endif
    }
    if (bytes.empty())
        return false;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return false;
    png.format = PNG_FORMAT_RGB;
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->channels = 3;
    image->pixels.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image->pixels.data(), 0, nullptr) != 0;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = static_cast<uint8_t>(seed >> 16);
    }
    return v;
}

bool IsErrorReport(const std::string& message, int32_t code, const std::string& name)
{
    const std::string head = "Error " + std::to_string(code) + " in " + name + " (";
    if (message.compare(0, head.size(), head) != 0 || message.size() != head.size() + 9)
        return false;
    const std::string stamp = message.substr(head.size());
    for (size_t i = 0; i < 8; ++i)
        if (i % 3 == 2 ? stamp[i] != ':' : !std::isdigit(static_cast<unsigned char>(stamp[i])))
            return false;
    return stamp[8] == ')';
}

}  // namespace vt

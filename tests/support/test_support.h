// Helpers shared by the test executables, native and under Wine.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace vt {

// A file made by a fixtures.sh script at test time.
std::string FixturePath(const std::string& name);
// A path under the build folder, for files a test writes.
std::string BuildPath(const std::string& name);
// A host path as the test process sees it (Z:-prefixed under Wine).
std::string HostPath(const std::string& path);

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A binary PNM (P5 or P6, maxval 255) as written by djpeg, ImageMagick and friends.
struct Pnm {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;
};
bool ReadPnm(const std::string& path, Pnm* image);

// Runs a host (Linux) program with plain arguments; its exit code, or -1 when
// it could not start. Under Wine this starts the Unix program but cannot wait
// for it: callers wait for its result themselves.
int RunHost(const std::string& program, const std::vector<std::string>& args);

// Saves the test's X display as a PNG (tools/screenshot) and reads it back as RGB.
bool TakeScreenshot(const std::string& pngPath, Pnm* image);

// n bytes of a fixed linear congruential sequence: the same for a seed everywhere.
std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed);

// Whether a message reads "Error <code> in <name> (hh:mm:ss)", as the imaging
// library's error log writes it.
bool IsErrorReport(const std::string& message, int32_t code, const std::string& name);

// Two threads meet here, each calling Arrive once, so that what they do next overlaps.
class Meeting {
public:
    void Arrive()
    {
        ++m_arrived;
        while (m_arrived.load() < 2)
            std::this_thread::yield();
    }

private:
    std::atomic<int> m_arrived{0};
};

}  // namespace vt

// Replays every file of a folder through one fuzz target: the crashers found
// and fixed stay here as regression inputs, run by ctest in both builds.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::string dir = argv[i];
#ifdef _WIN32
        if (!dir.empty() && dir[0] == '/')
            dir = "Z:" + dir;
#endif
        std::error_code ec;
        if (!std::filesystem::is_directory(dir, ec))
            continue;
        std::vector<std::filesystem::path> paths;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.is_regular_file())
                paths.push_back(entry.path());
        for (const auto& path : paths) {
            std::ifstream in(path, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::printf("replay %s (%zu bytes)\n", path.filename().string().c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++files;
        }
    }
    std::printf("%d inputs replayed\n", files);
    return 0;
}

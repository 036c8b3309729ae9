// TLA files through the generic reader, the isread tool, and the progress
// callback's cancel.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "tla_test_util.h"

namespace {

using tlat::Bytes;

Bytes Generic(const Bytes& file, uint32_t mode, int32_t* status)
{
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0;
    void* buffer = is5_ReadImage(source, &w, &h, mode, 0);
    *status = ISGetLastError();
    is5_CloseSource(source);
    Bytes out;
    if (buffer) {
        out.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + GlobalSize(buffer));
        GlobalFree(buffer);
    }
    return out;
}

TEST(TlaGeneric, ModesEqualTheEntryAtThreeFourAndAsDib)
{
    for (const char* name : {"rt_37x23_b1_f7_plain.tla", "rt_37x23_b2_f4_plain.tla", "rt_37x23_b3_f1_plain.tla",
                             "rt_37x23_b4_f7_plain.tla"}) {
        const Bytes file = tlat::Fixture(name);
        const struct {
            uint32_t mode, bytes, flags;
        } kModes[] = {{0, 3, 0}, {1, 4, 0}, {2, 3, IS5_DIB}};
        for (const auto& m : kModes) {
            int32_t status = -1;
            const Bytes got = Generic(file, m.mode, &status);
            const tlat::Result want = tlat::Read(file, nullptr, m.bytes, m.flags);
            EXPECT_EQ(0, status) << name << " mode " << m.mode;
            ASSERT_TRUE(want.made);
            EXPECT_TRUE(want.data == got) << name << " mode " << m.mode;
        }
    }
}

TEST(TlaGeneric, AProtectedFileIsRefusedWithoutOpeningIt)
{
    // Every TLA open empties the thread's tags: a tag that survives shows
    // that neither the dims nor the read entry ran.
    ISThreadState* state = ISGetThreadState();
    for (uint32_t mode : {0u, 1u, 2u, 3u}) {
        state->fileDataTags.clear();
        state->fileDataTags.emplace_back(new CFileDataTag);
        int32_t status = -1;
        const Bytes got = Generic(tlat::Fixture("rt_37x23_b3_f7_abc.tla"), mode, &status);
        EXPECT_TRUE(got.empty()) << mode;
        EXPECT_EQ(52, status) << mode;
        EXPECT_EQ(1u, state->fileDataTags.size()) << mode;
    }
    state->fileDataTags.clear();
}

// isread as a new user would run it.
std::string RunIsRead(const std::string& tag, const std::string& arguments)
{
#ifdef _WIN32
    const std::string tool = vt::BuildPath("bin/isread.exe");
#else
    const std::string tool = vt::BuildPath("bin/isread");
#endif
    const std::string log = vt::BuildPath("tla_test_" + tag + ".txt");
    std::remove(log.c_str());
    std::string command = "\"" + tool + "\" " + arguments + " > \"" + log + "\"";
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c strips one pair of quotes
#endif
    std::system(command.c_str());
    Bytes bytes;
    vt::ReadFileBytes(log, &bytes);
    std::string text;
    for (uint8_t b : bytes)
        if (b != '\r')
            text += static_cast<char>(b);
    return text;
}

TEST(TlaIsRead, AProtectedFileReadsWithItsPassword)
{
    const std::string in = vt::FixturePath("tla/rt_37x23_b4_f7_abc.tla");
    const std::string out = vt::BuildPath("tla_test_isread.ppm");
    std::remove(out.c_str());
    const std::string line =
        RunIsRead("isread", "\"" + in + "\" \"" + out + "\" --entry ReadTLA --depth 3 --password abc");
    EXPECT_EQ("status=0 w=37 h=23\n", line);
    vt::Pnm got;
    ASSERT_TRUE(vt::ReadPnm(out, &got));
    EXPECT_EQ(37, got.width);
    EXPECT_EQ(23, got.height);
    EXPECT_TRUE(tlat::Fixture("rt_37x23_b4_f7_abc.rgb") == got.pixels);

    const std::string refused = RunIsRead("isread_refused", "\"" + in + "\" - --entry ReadTLA --depth 3");
    EXPECT_EQ("status=52 w=0 h=0\n", refused);
}

// --- Progress

struct Progress {
    int calls = 0;
};

BOOL StopAtOnce(int32_t, int32_t, void* user)
{
    ++static_cast<Progress*>(user)->calls;
    return FALSE;
}

TEST(TlaProgress, CancelAtTheFirstCallKeepsRowZeroOnly)
{
    for (const char* base : {"rt_37x23_b3_f7_plain", "rt_37x23_b1_f7_abc"}) {
        const bool oneByte = std::strstr(base, "_b1_") != nullptr;
        tlat::Expected e = tlat::LoadExpected(base, 37, 23, oneByte ? 1 : 3);
        const Bytes file = tlat::Fixture(std::string(base) + ".tla");
        // Only row 0 survives in the expected pixels.
        for (Bytes* rows : {&e.idx, &e.rgb, &e.rgba}) {
            if (rows->empty())
                continue;
            const size_t rowBytes = rows->size() / 23;
            std::fill(rows->begin() + rowBytes, rows->end(), 0);
        }
        for (uint32_t flags : {0u, uint32_t(IS5_DIB)}) {
            Progress p;
            is5_SetCallback(StopAtOnce, &p);
            const tlat::Result r = tlat::Read(file, "abc", 3, flags);
            is5_SetCallback(nullptr, nullptr);
            EXPECT_EQ(1, p.calls) << base << " " << flags;
            ASSERT_TRUE(r.made) << base << " " << flags;
            EXPECT_EQ(14, r.status) << base << " " << flags;
            const Bytes want = flags ? tlat::DibOf(e) : e.rgb;
            EXPECT_TRUE(want == r.data) << base << " " << flags << ": " << tlat::FirstDifference(want, r.data);
        }
    }
}

}  // namespace

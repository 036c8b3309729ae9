// The isread tool: its status line and its PNM output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

// Runs the tool; its standard output goes through a file named after `tag`.
std::string RunTool(const std::string& tag, const std::string& arguments)
{
#ifdef _WIN32
    std::string tool = vt::BuildPath("bin/isread.exe");
#else
    std::string tool = vt::BuildPath("bin/isread");
#endif
    std::string log = vt::BuildPath("isread_test_" + tag + ".txt");
    std::remove(log.c_str());
    std::string command = "\"" + tool + "\" " + arguments + " > \"" + log + "\"";
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c strips one pair of quotes
#endif
    std::system(command.c_str());
    std::vector<uint8_t> bytes;
    vt::ReadFileBytes(log, &bytes);
    std::string text;
    for (uint8_t b : bytes)
        if (b != '\r')  // the console's line ends under Windows
            text += static_cast<char>(b);
    return text;
}

struct ToolCase {
    const char* label;
    std::string arguments;  // after IN OUT
    bool memory;
};

class IsRead : public ::testing::TestWithParam<ToolCase> {};

TEST_P(IsRead, WritesWhatDjpegWrites)
{
    const ToolCase& c = GetParam();
    std::string in = vt::FixturePath("reader_photo.jpg");
    std::string out = vt::BuildPath(std::string("isread_test_") + c.label + ".ppm");
    std::remove(out.c_str());
    std::string line = RunTool(c.label, std::string(c.memory ? "--memory " : "") + "\"" + in + "\" \"" + out + "\" " + c.arguments);
    EXPECT_EQ("status=0 w=61 h=47\n", line);
    vt::Pnm got, reference;
    ASSERT_TRUE(vt::ReadPnm(out, &got));
    ASSERT_TRUE(vt::ReadPnm(vt::FixturePath("reader_photo.ppm"), &reference));
    EXPECT_EQ(reference.pixels, got.pixels);
}

INSTANTIATE_TEST_SUITE_P(Calls, IsRead,
                         ::testing::Values(ToolCase{"Mode0", "--mode 0", false},
                                           ToolCase{"Mode0Memory", "--mode 0", true},
                                           ToolCase{"Entry", "--entry ReadJPG --depth 24", false},
                                           ToolCase{"Dib", "--entry ReadJPG --depth 24 --flags 2", true},
                                           ToolCase{"Mode2", "--mode 2", true}),
                         [](const ::testing::TestParamInfo<ToolCase>& info) { return std::string(info.param.label); });

TEST(IsReadStatus, DimsEntryPrintsItsValues)
{
    std::string line =
        RunTool("dims", "\"" + vt::FixturePath("reader_grey.jpg") + "\" - --entry GetJPGDims");
    EXPECT_EQ("status=0 w=64 h=64 bits=8 space=1 coding=0 res=1,1,0\n", line);
}

TEST(IsReadStatus, FailureGivesTheCodeAndNoFile)
{
    std::string out = vt::BuildPath("isread_test_fail.ppm");
    std::remove(out.c_str());
    std::string in = vt::BuildPath("isread_test_unknown.dat");
    ASSERT_TRUE(vt::WriteFileBytes(in, std::vector<uint8_t>(64, 'x')));
    std::string line = RunTool("fail", "\"" + in + "\" \"" + out + "\" --mode 0");
    EXPECT_EQ("status=2 w=0 h=0\n", line);
    FILE* f = std::fopen(out.c_str(), "rb");
    EXPECT_EQ(nullptr, f);
    if (f)
        std::fclose(f);
}

}  // namespace

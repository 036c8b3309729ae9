// Small helpers of the Windows-only tests.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

namespace vt {

// The running test's full name, fit for a file or folder name.
inline std::string TestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name;
}

inline void DeleteFolderTree(const std::string& path)
{
    std::string from = path + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

}  // namespace vt

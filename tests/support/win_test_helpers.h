// Small helpers of the Windows-only tests.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

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

// The path with Windows separators.
inline std::string WindowsPath(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// A path on Wine's Z: drive as the host sees it, for host programs' arguments.
inline std::string UnixPath(std::string path)
{
    if (path.rfind("Z:", 0) == 0 || path.rfind("z:", 0) == 0)
        path = path.substr(2);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// Writes a REG_DWORD value, making the key when it is missing.
inline void SetDword(HKEY root, const std::string& key, const char* name, DWORD value)
{
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
    RegCloseKey(k);
}

// The whole file as text; empty when it cannot be read.
inline std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> bytes;
    ReadFileBytes(path, &bytes);
    return std::string(bytes.begin(), bytes.end());
}

// Polls `condition` every 50 ms for up to `ms`; its last answer.
inline bool WaitFor(const std::function<bool()>& condition, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (condition())
            return true;
        Sleep(50);
    }
    return condition();
}

}  // namespace vt

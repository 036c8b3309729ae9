// A private HKEY_CURRENT_USER for tests that read or write settings: each test
// redirects it to a key of its own, with its own regional values and
// application-data folder, so tests running side by side in one prefix never meet.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/win_test_helpers.h"

namespace vt {

class PrivateRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = TestName() + "_" + std::to_string(GetCurrentProcessId());
        rootPath_ = "Software\\VeskoTests\\" + name;
        RegDeleteTreeA(HKEY_CURRENT_USER, rootPath_.c_str());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, rootPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                                  nullptr),
                  ERROR_SUCCESS);
        appData_ = WindowsPath(BuildPath("private_registry_tmp/" + name));
        DeleteFolderTree(appData_);
        ASSERT_EQ(SHCreateDirectoryExA(nullptr, appData_.c_str(), nullptr), ERROR_SUCCESS);

        SetText("Control Panel\\International", "sDate", ".");
        SetText("Control Panel\\International", "iDate", "1");
        SetText("Control Panel\\International", "iTime", "1");
        SetText("Control Panel\\International", "iFirstDayOfWeek", "0");
        HKEY folders;
        ASSERT_EQ(RegCreateKeyExA(root_, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                  0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &folders, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(folders, "AppData", 0, REG_EXPAND_SZ, (const BYTE*)appData_.c_str(),
                       (DWORD)appData_.size() + 1);
        RegCloseKey(folders);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, root_), ERROR_SUCCESS);

        char appData[MAX_PATH];
        ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData), S_OK);
        ASSERT_EQ(lstrcmpiA(appData, appData_.c_str()), 0) << "the application-data folder is not the test's own";
    }

    void TearDown() override
    {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (root_)
            RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, rootPath_.c_str());
        DeleteFolderTree(appData_);
    }

    // Values under the private root (the redirected HKEY_CURRENT_USER).
    void SetText(const std::string& key, const char* name, const std::string& text)
    {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(root_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, name, 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
        RegCloseKey(k);
    }

    void SetDword(const std::string& key, const char* name, DWORD value) { vt::SetDword(root_, key, name, value); }

    // Type and data of a value, or type REG_NONE when it is missing.
    struct Value {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        DWORD Dword() const { return data.size() == 4 ? *(const DWORD*)data.data() : 0xDEADBEEF; }
        std::string Text() const { return std::string(data.begin(), data.end()).c_str(); }
    };

    Value Get(const std::string& key, const char* name)
    {
        Value v;
        HKEY k;
        if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return v;
        DWORD size = 0, type = 0;
        if (RegQueryValueExA(k, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            v.type = type;
            v.data.resize(size);
            RegQueryValueExA(k, name, nullptr, &type, v.data.data(), &size);
        }
        RegCloseKey(k);
        return v;
    }

    std::vector<std::string> ValueNames(const std::string& key)
    {
        std::vector<std::string> names;
        HKEY k;
        if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return names;
        for (DWORD i = 0;; i++) {
            char name[256];
            DWORD size = sizeof(name);
            if (RegEnumValueA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.push_back(name);
        }
        RegCloseKey(k);
        std::sort(names.begin(), names.end());
        return names;
    }

    HKEY root_ = nullptr;
    std::string rootPath_;
    std::string appData_;
};

}  // namespace vt

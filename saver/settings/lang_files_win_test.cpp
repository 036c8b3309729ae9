// The language files: which are listed, which one `Language` chooses, what the
// lookups give; and the two files the build ships in bin/.
#include "settings/lang_files.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/settings/registry.h"
#include "settings/lang_keys.h"
#include "settings/settings.h"
#include "settings/settings_cases.h"
#include "tests/support/private_registry.h"
#include "tests/support/test_support.h"

namespace {

const std::string kMain = SETTINGS_KEY;

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::vector<std::string> DisplayNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < gLanguageFiles.count; i++)
        names.push_back(gLanguageFiles.entries[i].displayName);
    return names;
}

class LanguageFiles : public vt::PrivateRegistry {
protected:
    void SetUp() override
    {
        vt::PrivateRegistry::SetUp();
        folder_ = appData_ + "\\lang";
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        SetText(kMain, "Path", folder_);
    }

    void TearDown() override
    {
        // Nothing of a test's language file may reach the next test.
        gLanguageFiles.current[0] = 0;
        vt::PrivateRegistry::TearDown();
    }

    void Write(const std::string& name, const std::string& text)
    {
        ASSERT_TRUE(vt::WriteFileBytes(folder_ + "\\" + name, Bytes(text)));
    }

    void Load(DWORD language)
    {
        SetDword(kMain, "Language", language);
        LoadSettings();
    }

    std::string folder_;
};

TEST_F(LanguageFiles, ListsFilesWithANameInTheFileSystemsOrder)
{
    const std::string longName(60, 'E');
    // Made out of order: the list follows the file system, which sorts the names.
    Write("x.lng", "[LANGUAGE]\r\nNAME=X\r\n");
    Write("charlie.lng", "[LANGUAGE]\r\nNAME=Charlie\r\n");
    Write("e.lng", "[LANGUAGE]\r\nNAME=" + longName + "\r\n");
    Write("Bravo.lng", "[LANGUAGE]\r\nNAME=Bravo\r\n[TABS]\r\nSCRCONFIG=Bravos Seite\r\n");
    Write("c.lng", "[TABS]\r\nNAME=Kein Name\r\n");
    Write("bravo.txt", "[LANGUAGE]\r\nNAME=Text\r\n");
    ASSERT_TRUE(CreateDirectoryA((folder_ + "\\d.lng").c_str(), nullptr));
    Write("alpha.lng", "[LANGUAGE]\r\nNAME=Alpha\r\n");

    Load(2);
    EXPECT_EQ(DisplayNames(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", longName.substr(0, 39)}));
    EXPECT_STREQ(gLanguageFiles.entries[3].fileName, "e.lng");
    EXPECT_EQ(gLanguage, 2);
    EXPECT_STREQ(gLanguageFiles.current, "Bravo.lng");
    EXPECT_STREQ(GetLangText("TABS", "SCRCONFIG", "Allgemein "), "Bravos Seite");
    // A key the file lacks gives the default, as the profile function trims it.
    EXPECT_STREQ(GetLangText("TABS", "SCRSETTINGS", "Einstellungen "), "Einstellungen");

    for (DWORD language : {6u, 0xFFFFFFFFu, 0u}) {
        Load(language);
        EXPECT_EQ(gLanguage, 0) << (int)language;
        EXPECT_STREQ(gLanguageFiles.current, "");
        EXPECT_STREQ(GetLangText("TABS", "SCRCONFIG", "Allgemein "), "Allgemein");
    }
}

TEST_F(LanguageFiles, WithoutAFileEveryKeyGivesItsDefault)
{
    Load(1);
    ASSERT_EQ(gLanguage, 0);
    for (int i = 0; i < kLangKeyCount; i++) {
        const LangKey& k = kLangKeys[i];
        const char* text = GetLangText(k.section, k.key, k.def);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text, Trimmed(k.def)) << k.section << " " << k.key;
    }
    EXPECT_STREQ(GetLangText("S", "K", "A\\nB"), "A\r\nB");
}

TEST_F(LanguageFiles, ValuesComeBackWithLineBreaksCutAndInTheAnsiCodePage)
{
    std::string file = "[LANGUAGE]\r\nNAME=Probe\r\n[ALARM]\r\nMO=\r\n[LINES]\r\n";
    for (size_t i = 0; i < std::size(kLineBreakCases); i++)
        file += "L" + std::to_string(i) + "=" + kLineBreakCases[i].stored + "\r\n";
    // A pair cut in half by the end of the 4000-character buffer stays a backslash.
    const std::string longValue = std::string(3998, 'a') + "\\n" + std::string(1000, 'b');
    file += "[LONG]\r\nV=" + longValue + "\r\n";
    file += "[ANSI]\r\nAE=\xE4\r\n";
    Write("probe.lng", file);
    Load(1);
    ASSERT_STREQ(gLanguageFiles.current, "probe.lng");

    for (size_t i = 0; i < std::size(kLineBreakCases); i++)
        EXPECT_STREQ(GetLangText("LINES", ("L" + std::to_string(i)).c_str(), "default"), kLineBreakCases[i].text)
            << kLineBreakCases[i].stored;
    const char* empty = GetLangText("ALARM", "MO", "Mo ");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(std::string(GetLangText("LONG", "V", "")), std::string(3998, 'a') + "\\");
    ASSERT_EQ(GetACP(), 1252u) << "the tests' Wine prefix runs with the ANSI code page 1252";
    EXPECT_STREQ(GetLangText("ANSI", "AE", ""), "\xE4");
}

TEST_F(LanguageFiles, AtMost99AreListed)
{
    for (int i = 0; i < 120; i++) {
        char name[16];
        snprintf(name, sizeof(name), "p%03d.lng", i);
        Write(name, std::string("[LANGUAGE]\r\nNAME=Probe ") + name + "\r\n");
    }
    Load(99);
    EXPECT_EQ(gLanguageFiles.count, 99);
    EXPECT_STREQ(gLanguageFiles.entries[98].fileName, "p098.lng");
    EXPECT_STREQ(gLanguageFiles.current, "p098.lng");
    Load(100);
    EXPECT_EQ(gLanguage, 0);
}

// The shipped files, converted by the build into bin/ beside the programs.
class ShippedLanguageFiles : public vt::PrivateRegistry {
protected:
    void SetUp() override
    {
        vt::PrivateRegistry::SetUp();
        SetText(kMain, "Path", vt::WindowsPath(vt::BuildPath("bin")));
    }

    void TearDown() override
    {
        gLanguageFiles.current[0] = 0;
        vt::PrivateRegistry::TearDown();
    }

    void Load(DWORD language)
    {
        SetDword(kMain, "Language", language);
        LoadSettings();
    }
};

TEST_F(ShippedLanguageFiles, GermanIsFirstAndGivesTheBuiltInTextsEnglishSecond)
{
    Load(0);
    std::vector<std::string> builtIn;
    for (int i = 0; i < kLangKeyCount; i++)
        builtIn.push_back(GetLangText(kLangKeys[i].section, kLangKeys[i].key, kLangKeys[i].def));

    Load(1);
    ASSERT_EQ(DisplayNames(), (std::vector<std::string>{"Deutsch", "English"}));
    EXPECT_STREQ(gLanguageFiles.entries[0].fileName, "deutsch.lng");
    EXPECT_STREQ(gLanguageFiles.entries[1].fileName, "english.lng");
    ASSERT_STREQ(gLanguageFiles.current, "deutsch.lng");
    for (int i = 0; i < kLangKeyCount; i++) {
        const LangKey& k = kLangKeys[i];
        std::string expected = std::string(k.section) == "LANGUAGE" ? "Deutsch" : builtIn[i];
        EXPECT_EQ(GetLangText(k.section, k.key, "(missing)"), expected) << k.section << " " << k.key;
    }

    Load(2);
    ASSERT_STREQ(gLanguageFiles.current, "english.lng");
    for (int i = 0; i < kLangKeyCount; i++) {
        const LangKey& k = kLangKeys[i];
        std::string text = GetLangText(k.section, k.key, "(missing)");
        EXPECT_FALSE(text.empty() || text == "(missing)") << k.section << " " << k.key;
        if (std::string(k.section) == "HELP") {
            EXPECT_EQ(text, Trimmed(k.def)) << "one help file serves both languages";
        }
    }
    EXPECT_STREQ(GetLangText("SCR", "SPEED_L", "langsam"), "slow");
}

TEST_F(ShippedLanguageFiles, AreTheSourcesInWindows1252)
{
    for (const char* name : {"deutsch.lng", "english.lng"}) {
        std::vector<uint8_t> shipped;
        std::vector<uint8_t> source;
        ASSERT_TRUE(vt::ReadFileBytes(vt::BuildPath(std::string("bin/") + name), &shipped)) << name;
        ASSERT_TRUE(vt::ReadFileBytes(vt::HostPath(std::string(VESKO_SOURCE_DIR) + "/saver/lang/" + name), &source));
        ASSERT_FALSE(shipped.empty());
        // Windows-1252 leaves these five bytes undefined.
        for (uint8_t b : shipped)
            EXPECT_TRUE(b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) << name << " " << (int)b;
        int wide = MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, (const char*)shipped.data(), (int)shipped.size(),
                                       nullptr, 0);
        ASSERT_GT(wide, 0) << name;
        std::wstring text(wide, L'\0');
        MultiByteToWideChar(1252, 0, (const char*)shipped.data(), (int)shipped.size(), &text[0], wide);
        int utf8 = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
        std::string back(utf8, '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &back[0], utf8, nullptr, nullptr);
        EXPECT_EQ(back, std::string(source.begin(), source.end())) << name;
    }
}

}  // namespace

// The picture list page in a modeless property sheet of the test's own, with
// a second, empty page to leave it for: dialog 116 and the built-in previews
// come from bin/vesko.exe loaded as a data file, and the data folder with
// "bilder.dat" lies in a folder of each test. Common dialogs, message boxes
// and the desktop call go through the program's seams.
#include "options/pictures_page.h"

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/seams.h"
#include "common/picturedb/picture_record.h"
#include "options/pictures_page_res.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"
#include "text/text.h"
#include "wallpaper/change_wallpaper.h"
#include "wallpaper/wallpaper.h"

namespace {

using vt::WindowsPath;
typedef std::vector<uint8_t> Bytes;

const int kApplyButton = 0x3021;   // the sheet's "Apply" button

struct Box {
    std::string text, caption;
    UINT flags;
};
std::vector<Box> gBoxes;
int gBoxAnswer = IDNO;

int AnswerBox(HWND, const char* text, const char* caption, UINT flags)
{
    gBoxes.push_back({text ? text : "", caption ? caption : "", flags});
    return gBoxAnswer;
}

// What the open-file dialog "returns": the buffer's contents with their zeros.
std::string gOpenResult;
OPENFILENAMEA gOpenRequest;

BOOL AnswerOpenFile(OPENFILENAMEA* request)
{
    gOpenRequest = *request;
    if (gOpenResult.size() > request->nMaxFile)
        return FALSE;
    memcpy(request->lpstrFile, gOpenResult.data(), gOpenResult.size());
    return TRUE;
}

COLORREF gColourAnswer = 0;
CHOOSECOLORA gColourRequest;

BOOL AnswerColour(CHOOSECOLORA* request)
{
    gColourRequest = *request;
    request->rgbResult = gColourAnswer;
    return TRUE;
}

std::vector<std::string> gRendered;
std::vector<std::string> gDesktopCalls;

int RecordRender(const char* name, const char* outPath, int width, int height, int unused,
                 const PictureRecord* record)
{
    gRendered.push_back(name);
    return RenderFileWallpaper(name, outPath, width, height, unused, record);
}

BOOL WINAPI RecordDesktop(UINT action, UINT, PVOID value, UINT)
{
    if (action == SPI_SETDESKWALLPAPER)
        gDesktopCalls.push_back((const char*)value);
    return TRUE;
}

void SmallScreen(int* width, int* height)
{
    *width = 64;
    *height = 48;
}

INT_PTR CALLBACK EmptyPageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// A page template with no controls, DWORD-aligned as the sheet wants it.
struct alignas(4) EmptyTemplate {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
};

PictureRecord Builtin(int n)
{
    PictureRecord r;
    MakeBuiltinPictureRecord(n, &r);
    return r;
}

PictureRecord User(const std::string& picture, const std::string& thumbnail)
{
    PictureRecord r;
    MakeBuiltinPictureRecord(1, &r);
    lstrcpynA(r.picture, picture.c_str(), sizeof(r.picture));
    lstrcpynA(r.thumbnail, thumbnail.c_str(), sizeof(r.thumbnail));
    return r;
}

Bytes Encoded(const std::vector<PictureRecord>& records)
{
    Bytes all;
    for (const PictureRecord& r : records) {
        uint8_t b[PICTURE_RECORD_SIZE];
        EncodePictureRecord(&r, b);
        all.insert(all.end(), b, b + PICTURE_RECORD_SIZE);
    }
    return all;
}

class PicturesPage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_TAB_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&init);
        gProgram = LoadLibraryExA(vt::BuildPath("bin/vesko.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        LoadDayMonthNames();
    }

    void SetUp() override
    {
        ASSERT_NE(gProgram, nullptr) << "bin/vesko.exe cannot be loaded as a data file";
        gInstance = gProgram;
        work_ = WindowsPath(vt::BuildPath("pictures_page_" + vt::TestName() + "_" +
                                          std::to_string(GetCurrentProcessId())));
        vt::DeleteFolderTree(work_);
        data_ = work_ + "\\data\\";
        pictures_ = work_ + "\\pictures\\";
        ASSERT_TRUE(CreateDirectoryA(work_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(data_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(pictures_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((data_ + "online").c_str(), nullptr));
        lstrcpynA(gSettings.DataFolder, data_.c_str(), MAX_PATH);
        lstrcpynA(gSettings.PictureDbPath, Db().c_str(), MAX_PATH);
        gSettings.OldPic[0] = 0;
        gSettings.BuiltinPictureCount = 12;
        RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
        gPicturesPage.firstActivation = 1;

        gBoxes.clear();
        gBoxAnswer = IDNO;
        gMessageBoxSink = AnswerBox;
        gOpenResult.clear();
        gOpenFileNameSink = AnswerOpenFile;
        gChooseColorSink = AnswerColour;
        gRendered.clear();
        gDesktopCalls.clear();
        ResetWallpaperSeams();
        gWallpaperSeams.renderFile = RecordRender;
        gWallpaperSeams.systemParametersInfo = RecordDesktop;
        gWallpaperSeams.screenSize = SmallScreen;
    }

    void TearDown() override
    {
        if (sheet_)
            DestroyWindow(sheet_);
        Pump();
        gMessageBoxSink = nullptr;
        gOpenFileNameSink = nullptr;
        gChooseColorSink = nullptr;
        ResetWallpaperSeams();
        RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
        if (!HasFailure())
            vt::DeleteFolderTree(work_);
    }

    std::string Db() const { return data_ + "bilder.dat"; }

    // A copy of the cjpeg fixture under `path`.
    void Picture(const std::string& path)
    {
        ASSERT_TRUE(CopyFileA(vt::FixturePath("pics_sonne.jpg").c_str(), path.c_str(), FALSE)) << path;
    }

    void WriteDb(const std::vector<PictureRecord>& records) { ASSERT_TRUE(vt::WriteFileBytes(Db(), Encoded(records))); }

    Bytes DbBytes() const
    {
        Bytes b;
        vt::ReadFileBytes(Db(), &b);
        return b;
    }

    std::vector<PictureRecord> Records() const
    {
        Bytes b = DbBytes();
        std::vector<PictureRecord> records(b.size() / PICTURE_RECORD_SIZE);
        for (size_t i = 0; i < records.size(); i++)
            DecodePictureRecord(b.data() + i * PICTURE_RECORD_SIZE, &records[i]);
        return records;
    }

    static void Pump()
    {
        for (int round = 0; round < 3; round++) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
    }

    void OpenSheet()
    {
        static EmptyTemplate empty = {{WS_CHILD | WS_DISABLED | WS_CAPTION, 0, 0, 0, 0, 276, 218}, 0, 0, 0};
        PROPSHEETPAGEA pages[2] = {};
        pages[0].dwSize = sizeof(pages[0]);
        pages[0].dwFlags = PSP_USETITLE;
        pages[0].hInstance = gInstance;
        pages[0].pszTemplate = MAKEINTRESOURCEA(IDD_PICTURES_PAGE);
        pages[0].pfnDlgProc = PicturesPageProc;
        pages[0].pszTitle = "Bilder ";
        pages[1].dwSize = sizeof(pages[1]);
        pages[1].dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
        pages[1].pResource = &empty.dialog;
        pages[1].pfnDlgProc = EmptyPageProc;
        pages[1].pszTitle = "Leer";
        PROPSHEETHEADERA header = {};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOCONTEXTHELP;
        header.pszCaption = " Optionen";
        header.nPages = 2;
        header.ppsp = pages;
        sheet_ = (HWND)PropertySheetA(&header);
        ASSERT_NE(sheet_, nullptr);
        Pump();
        page_ = PropSheet_IndexToHwnd(sheet_, 0);
        ASSERT_NE(page_, nullptr);
    }

    void Click(int id)
    {
        SendMessageA(page_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(page_, id));
        Pump();
    }

    // A click as the user makes it: an auto check box changes its state too.
    void Toggle(int id)
    {
        SendDlgItemMessageA(page_, id, BM_CLICK, 0, 0);
        Pump();
    }

    void LeavePage()
    {
        PropSheet_SetCurSel(sheet_, nullptr, 1);
        Pump();
    }

    void BackToPage()
    {
        PropSheet_SetCurSel(sheet_, nullptr, 0);
        Pump();
    }

    void Apply()
    {
        PropSheet_PressButton(sheet_, PSBTN_APPLYNOW);
        Pump();
    }

    // OK or Cancel, and the sheet's end as a modeless sheet's owner ends it.
    void Close(int button)
    {
        PropSheet_PressButton(sheet_, button);
        Pump();
        EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet_), nullptr) << "the sheet did not end";
        DestroyWindow(sheet_);
        sheet_ = nullptr;
        page_ = nullptr;
        Pump();
    }

    void AddThroughDialog(const std::string& result)
    {
        gOpenResult = result;
        Click(IDC_PICS_ADD);
    }

    HBITMAP Preview() const { return (HBITMAP)SendDlgItemMessageA(page_, IDC_PICS_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0); }

    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(page_, id)) != 0; }

    std::string Text(int id) const
    {
        char text[256] = "";
        GetDlgItemTextA(page_, id, text, sizeof(text));
        return text;
    }

    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    static Bytes FileBytes(const std::string& path)
    {
        Bytes b;
        vt::ReadFileBytes(path, &b);
        return b;
    }

    static HMODULE gProgram;
    std::string work_, data_, pictures_;
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
};

HMODULE PicturesPage::gProgram = nullptr;

// djpeg's reading of a JPEG the page wrote; Wine does not wait for Unix
// children, so the result appears whole by a rename.
bool DecodeWithDjpeg(const std::string& jpeg, vt::Pnm* picture)
{
    std::string ppm = jpeg + ".ppm", tmp = jpeg + ".tmp";
    vt::RunHost("/bin/sh", {"-c", "\"djpeg -pnm '" + vt::UnixPath(jpeg) + "' > '" + vt::UnixPath(tmp) + "' && mv '" +
                                      vt::UnixPath(tmp) + "' '" + vt::UnixPath(ppm) + "'\""});
    for (int i = 0; i < 200; i++) {
        if (vt::ReadPnm(ppm, picture)) {
            DeleteFileA(ppm.c_str());
            return true;
        }
        Sleep(50);
    }
    return false;
}

TEST_F(PicturesPage, AnAddedPictureGetsTheNextFreeThumbnailNameInTheDataFolder)
{
    WriteDb({Builtin(1), Builtin(2)});
    const Bytes taken = {1, 2, 3};
    ASSERT_TRUE(vt::WriteFileBytes(data_ + "Sonne.JPG", taken));
    ASSERT_TRUE(vt::WriteFileBytes(data_ + "Sonne_1.JPG", taken));
    const std::string picture = pictures_ + "Sonne.jpg";
    Picture(picture);
    const Bytes pictureBytes = FileBytes(picture);
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());

    AddThroughDialog(picture + std::string(2, '\0'));
    EXPECT_EQ(gOpenRequest.nMaxFile, 8000u);
    EXPECT_EQ(gOpenRequest.Flags, (DWORD)(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT |
                                          OFN_SHOWHELP | OFN_HIDEREADONLY));
    EXPECT_STREQ(gOpenRequest.lpstrFilter, "Bitmaps");
    EXPECT_STREQ(gOpenRequest.lpstrFilter + 8, "*.jpg;*.jpeg;*.bmp;*.gif;*.psd;*.png;*.pcx;*.tif;*.tiff;*.wmf");

    std::vector<PictureRecord> records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(gPicturesPage.currentIndex, 2);
    EXPECT_STREQ(records[2].picture, picture.c_str());
    EXPECT_STREQ(records[2].thumbnail, (data_ + "Sonne_2.JPG").c_str());
    EXPECT_NE(Preview(), nullptr);
    vt::Pnm thumbnail;
    ASSERT_TRUE(DecodeWithDjpeg(data_ + "Sonne_2.JPG", &thumbnail));
    EXPECT_EQ(thumbnail.width, 150);
    EXPECT_EQ(thumbnail.height, 112);
    EXPECT_EQ(FileBytes(picture), pictureBytes);
    EXPECT_EQ(FileBytes(data_ + "Sonne.JPG"), taken);
    EXPECT_EQ(FileBytes(data_ + "Sonne_1.JPG"), taken);
}

TEST_F(PicturesPage, AThumbnailOutsideTheDataFolderIsNeverOverwritten)
{
    const std::string picture = pictures_ + "Sonne.jpg", foreign = pictures_ + "Vorschau.jpg";
    Picture(picture);
    const Bytes foreignBytes = {'n', 'o', 't', ' ', 'm', 'i', 'n', 'e'};
    ASSERT_TRUE(vt::WriteFileBytes(foreign, foreignBytes));
    // The foreign file is a day older than the picture.
    HANDLE file = CreateFileA(foreign.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME old;
    GetSystemTimeAsFileTime(&old);
    ULARGE_INTEGER t = {{old.dwLowDateTime, old.dwHighDateTime}};
    t.QuadPart -= 864000000000ULL;
    old = {t.LowPart, t.HighPart};
    SetFileTime(file, nullptr, nullptr, &old);
    CloseHandle(file);
    WriteDb({User(picture, foreign), Builtin(1)});

    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(FileBytes(foreign), foreignBytes);
    EXPECT_STREQ(Records()[0].thumbnail, (data_ + "Sonne.JPG").c_str());
    vt::Pnm thumbnail;
    ASSERT_TRUE(DecodeWithDjpeg(data_ + "Sonne.JPG", &thumbnail));
    EXPECT_EQ(thumbnail.width, 150);
    EXPECT_NE(Preview(), nullptr);
}

TEST_F(PicturesPage, AddAppendsOneRecordPerFileAndShowsTheFirst)
{
    WriteDb({Builtin(1), Builtin(2)});
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        Picture(pictures_ + name);
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    const size_t before = DbBytes().size();

    std::string folder = work_ + "\\pictures";
    std::string tooLong(300 - folder.size() - 1, 'x');
    ASSERT_EQ((folder + "\\" + tooLong).size(), 300u);
    std::string multi = folder + '\0' + "a.jpg" + '\0' + tooLong + '\0' + "b.jpg" + '\0' + "c.jpg" + '\0' + '\0';
    AddThroughDialog(multi);
    EXPECT_EQ(gPicturesPage.currentIndex, 2);
    EXPECT_EQ(gPicturesPage.recordCount, 5);
    AddThroughDialog(pictures_ + "d.jpg" + std::string(2, '\0'));
    EXPECT_EQ(gPicturesPage.currentIndex, 5);

    std::vector<PictureRecord> records = Records();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(DbBytes().size(), before + 4 * PICTURE_RECORD_SIZE);
    const char* names[] = {"a", "b", "c", "d"};
    for (int k = 0; k < 4; k++) {
        const PictureRecord& r = records[2 + k];
        std::string path = pictures_ + names[k] + ".jpg";
        EXPECT_EQ(r.state, 2) << k;
        EXPECT_EQ(r.weekdayMask, 127) << k;
        EXPECT_EQ(r.hourFrom, 0) << k;
        EXPECT_EQ(r.hourTo, 24) << k;
        EXPECT_EQ(r.monthFrom, 1) << k;
        EXPECT_EQ(r.monthTo, 12) << k;
        EXPECT_EQ(r.cropToFill, 1) << k;
        EXPECT_EQ(r.saturationStep, 5) << k;
        EXPECT_EQ(r.brightness | r.contrast | r.sharpness | (int)r.background, 0) << k;
        EXPECT_EQ(r.version, 0) << k;
        EXPECT_STREQ(r.picture, path.c_str()) << k;
        // Shown records (the first of each Add) have their thumbnail now.
        std::string thumbnail = (k == 0 || k == 3) ? data_ + names[k] + ".JPG" : path;
        EXPECT_STREQ(r.thumbnail, thumbnail.c_str()) << k;
    }

    // Back to the first added record, then Last reaches the fourth.
    Click(IDC_PICS_FIRST);
    for (int i = 0; i < 2; i++)
        Click(IDC_PICS_NEXT);
    EXPECT_EQ(gPicturesPage.currentIndex, 2);
    Click(IDC_PICS_LAST);
    EXPECT_EQ(gPicturesPage.currentIndex, 5);
    EXPECT_FALSE(Enabled(IDC_PICS_LAST));
    EXPECT_FALSE(Enabled(IDC_PICS_NEXT));

    // A selection that does not fit the buffer adds nothing.
    AddThroughDialog(folder + '\0' + std::string(8000, 'y') + '\0' + '\0');
    EXPECT_EQ(Records().size(), 6u);
}

TEST_F(PicturesPage, BackAtTheFirstAndNextAtTheLastRecordChangeNothing)
{
    WriteDb({Builtin(1), Builtin(2), Builtin(3)});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    const Bytes before = DbBytes();
    EXPECT_FALSE(Enabled(IDC_PICS_BACK));
    EXPECT_FALSE(Enabled(IDC_PICS_FIRST));
    Click(IDC_PICS_BACK);
    EXPECT_EQ(gPicturesPage.currentIndex, 0);
    Click(IDC_PICS_LAST);
    EXPECT_EQ(gPicturesPage.currentIndex, 2);
    EXPECT_TRUE(Enabled(IDC_PICS_BACK));
    EXPECT_FALSE(Enabled(IDC_PICS_NEXT));
    Click(IDC_PICS_NEXT);
    EXPECT_EQ(gPicturesPage.currentIndex, 2);
    Click(IDC_PICS_BACK);
    EXPECT_EQ(gPicturesPage.currentIndex, 1);
    EXPECT_EQ(DbBytes(), before);
}

TEST_F(PicturesPage, ADatabaseOfRemovedRecordsShowsAtOnceAndWritesNothing)
{
    std::vector<PictureRecord> records;
    for (int n = 1; n <= 12; n++) {
        records.push_back(Builtin(n));
        records.back().state = 0;
    }
    WriteDb(records);
    const Bytes before = DbBytes();
    DWORD start = GetTickCount();
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_FALSE(Enabled(IDC_PICS_REMOVE));
    EXPECT_FALSE(Enabled(IDC_PICS_NEXT));
    EXPECT_FALSE(Enabled(IDC_PICS_BRIGHTNESS));
    EXPECT_TRUE(Enabled(IDC_PICS_ADD));
    Click(IDC_PICS_NEXT);
    Click(IDC_PICS_LAST);
    Click(IDC_PICS_REMOVE);
    Apply();
    EXPECT_EQ(DbBytes(), before);
    Close(PSBTN_CANCEL);
    EXPECT_EQ(DbBytes(), before);
}

TEST_F(PicturesPage, CancelBringsBackTheDatabaseAndEveryFile)
{
    const std::string user = pictures_ + "Haus.jpg", online = data_ + "online\\Baum.jpg";
    const std::string added = pictures_ + "Neu.jpg";
    for (const std::string& p : {user, online, added})
        Picture(p);
    WriteDb({Builtin(1), Builtin(2), User(user, user), User(online, online)});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    const Bytes opened = DbBytes();

    // The user picture and the online picture get their thumbnails when shown.
    Click(IDC_PICS_LAST);
    Click(IDC_PICS_BACK);
    ASSERT_STREQ(Records()[2].thumbnail, (data_ + "Haus.JPG").c_str());
    ASSERT_STREQ(Records()[3].thumbnail, (data_ + "Baum.JPG").c_str());
    std::vector<std::string> files = {user, online, added, data_ + "Haus.JPG", data_ + "Baum.JPG"};

    AddThroughDialog(added + std::string(2, '\0'));
    Click(IDC_PICS_FIRST);
    Click(IDC_PICS_NEXT);
    Click(IDC_PICS_NEXT);
    Click(IDC_PICS_REMOVE);   // the user picture
    Click(IDC_PICS_LAST);
    Click(IDC_PICS_BACK);
    ASSERT_STREQ(Records()[gPicturesPage.currentIndex].picture, online.c_str());
    Click(IDC_PICS_REMOVE);   // the online picture
    Click(IDC_PICS_FIRST);
    Toggle(IDC_PICS_SUNDAY);   // a built-in changed
    Click(IDC_PICS_NEXT);
    ASSERT_NE(DbBytes(), opened);

    Close(PSBTN_CANCEL);
    EXPECT_EQ(DbBytes(), opened);
    for (const std::string& f : files)
        EXPECT_TRUE(Exists(f)) << f;
}

TEST_F(PicturesPage, CancelWithoutACopyOfItsOwnPutsBackNoOlderCopy)
{
    // No database when the page opens, but a copy left from some earlier time.
    ASSERT_TRUE(vt::WriteFileBytes(data_ + "bilder.temp", Encoded({Builtin(1), Builtin(2), Builtin(3)})));
    const std::string picture = pictures_ + "Sonne.jpg";
    Picture(picture);
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Preview(), nullptr);
    AddThroughDialog(picture + std::string(2, '\0'));
    ASSERT_EQ(Records().size(), 1u);
    Close(PSBTN_CANCEL);
    std::vector<PictureRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].picture, picture.c_str());
}

TEST_F(PicturesPage, ApplyThenLeavingThePageCompactsAndOkDeletesTheOnlinePicture)
{
    const std::string user = pictures_ + "Haus.jpg", online = data_ + "online\\Baum.jpg";
    const std::string kept = pictures_ + "Berg.jpg";
    for (const std::string& p : {user, online, kept})
        Picture(p);
    Picture(data_ + "Haus.JPG");
    Picture(data_ + "Baum.JPG");
    Picture(data_ + "Berg.JPG");
    WriteDb({Builtin(1), Builtin(2), User(user, data_ + "Haus.JPG"), User(online, data_ + "Baum.JPG"),
             User(kept, data_ + "Berg.JPG")});
    const Bytes original = DbBytes();
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());

    Click(IDC_PICS_REMOVE);   // built-in 1: only its weekdays go
    Click(IDC_PICS_NEXT);
    Click(IDC_PICS_NEXT);
    ASSERT_STREQ(Records()[gPicturesPage.currentIndex].picture, user.c_str());
    Click(IDC_PICS_REMOVE);
    Click(IDC_PICS_NEXT);
    ASSERT_STREQ(Records()[gPicturesPage.currentIndex].picture, online.c_str());
    Click(IDC_PICS_REMOVE);
    Click(IDC_PICS_LAST);
    Apply();
    EXPECT_EQ(DbBytes().size(), 5u * PICTURE_RECORD_SIZE) << "compacted before the page was left";

    LeavePage();
    std::vector<PictureRecord> records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_STREQ(records[2].picture, kept.c_str());
    EXPECT_FALSE(Exists(data_ + "Haus.JPG"));
    EXPECT_TRUE(Exists(user));
    EXPECT_TRUE(Exists(online)) << "deleted before OK";
    EXPECT_TRUE(Exists(data_ + "Berg.JPG"));

    // The built-in record differs only in its weekday mask.
    const Bytes now = DbBytes();
    for (size_t i = 0; i < PICTURE_RECORD_SIZE; i++) {
        if (i != PRO_WEEKDAYS && i != PRO_WEEKDAYS + 1) {
            ASSERT_EQ(now[i], original[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(records[0].weekdayMask, 0);

    BackToPage();
    EXPECT_GE(gPicturesPage.currentIndex, 0);
    EXPECT_LT(gPicturesPage.currentIndex, 3);
    EXPECT_EQ(gPicturesPage.recordCount, 3);
    Toggle(IDC_PICS_SUNDAY);
    Click(IDC_PICS_FIRST);
    EXPECT_EQ(Records()[2].weekdayMask, 126);
    EXPECT_EQ(DbBytes().size(), 3u * PICTURE_RECORD_SIZE);

    Close(PSBTN_OK);
    EXPECT_FALSE(Exists(online));
    EXPECT_EQ(Records().size(), 3u);
}

TEST_F(PicturesPage, AnOnlinePictureStillNamedByARecordIsKept)
{
    const std::string online = data_ + "online\\Baum.jpg";
    Picture(online);
    WriteDb({User(online, online), User(online, online)});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    Click(IDC_PICS_REMOVE);
    Close(PSBTN_OK);
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_TRUE(Exists(online));
}

TEST_F(PicturesPage, TrackbarsLabelsAndListsFollowTheRecord)
{
    PictureRecord late = Builtin(2);
    late.hourFrom = 22;
    late.hourTo = 24;
    WriteDb({Builtin(1), late});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet_, kApplyButton)));

    HWND brightness = GetDlgItem(page_, IDC_PICS_BRIGHTNESS);
    SendMessageA(brightness, TBM_SETPOS, TRUE, 20);
    SendMessageA(page_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 20), (LPARAM)brightness);
    Pump();
    EXPECT_EQ(Text(IDC_PICS_BRIGHTNESSLABEL), "Helligkeit (+20%):");
    EXPECT_EQ(Text(IDC_PICS_SATURATIONLABEL), "S\xE4ttigung (normal):");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet_, kApplyButton)));
    Click(IDC_PICS_NEXT);
    EXPECT_EQ(Records()[0].brightness, 20);

    // The late record: 22:00 to the end of the day.
    EXPECT_EQ(SendDlgItemMessageA(page_, IDC_PICS_HOURTO, CB_GETCURSEL, 0, 0), 23);
    EXPECT_EQ(Text(IDC_PICS_HOURTO), "23:59");
    EXPECT_EQ(Text(IDC_PICS_HOURFROM), "22:00");

    SendDlgItemMessageA(page_, IDC_PICS_SHARPNESS, TBM_SETPOS, TRUE, -2);
    SendMessageA(page_, WM_HSCROLL, TB_ENDTRACK, (LPARAM)GetDlgItem(page_, IDC_PICS_SHARPNESS));
    SendDlgItemMessageA(page_, IDC_PICS_SATURATION, TBM_SETPOS, TRUE, 9);
    SendMessageA(page_, WM_HSCROLL, TB_ENDTRACK, (LPARAM)GetDlgItem(page_, IDC_PICS_SATURATION));
    EXPECT_EQ(Text(IDC_PICS_SHARPNESSLABEL), "Sch\xE4rfe (-2):");
    EXPECT_EQ(Text(IDC_PICS_SATURATIONLABEL), "S\xE4ttigung (+4):");
    Click(IDC_PICS_STANDARD);
    for (int id : {IDC_PICS_BRIGHTNESS, IDC_PICS_CONTRAST, IDC_PICS_SHARPNESS})
        EXPECT_EQ(SendDlgItemMessageA(page_, id, TBM_GETPOS, 0, 0), 0) << id;
    EXPECT_EQ(SendDlgItemMessageA(page_, IDC_PICS_SATURATION, TBM_GETPOS, 0, 0), 5);
    EXPECT_EQ(Text(IDC_PICS_SHARPNESSLABEL), "Sch\xE4rfe (normal):");

    // The background colour through the colour dialog.
    Click(IDC_PICS_NOCROP);
    EXPECT_TRUE(Enabled(IDC_PICS_BACKGROUND));
    gColourAnswer = RGB(10, 120, 230);
    Click(IDC_PICS_BACKGROUND);
    EXPECT_EQ(gColourRequest.rgbResult, 0u);
    EXPECT_EQ(gColourRequest.Flags, (DWORD)(CC_RGBINIT | CC_FULLOPEN | CC_SOLIDCOLOR));
    EXPECT_NE(gColourRequest.lpCustColors, nullptr);
    Click(IDC_PICS_FIRST);
    PictureRecord stored = Records()[1];
    EXPECT_EQ(stored.brightness, 0);
    EXPECT_EQ(stored.contrast, 0);
    EXPECT_EQ(stored.saturationStep, 5);
    EXPECT_EQ(stored.sharpness, 0);
    EXPECT_EQ(stored.background, (uint32_t)RGB(10, 120, 230));
    EXPECT_EQ(stored.cropToFill, 0);
    EXPECT_EQ(stored.hourTo, 24) << "an untouched list keeps the stored end of the day";
}

TEST_F(PicturesPage, TheColourDialogMarksThePageChanged)
{
    WriteDb({Builtin(1)});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_FALSE(IsWindowEnabled(GetDlgItem(sheet_, kApplyButton)));
    gColourAnswer = RGB(1, 2, 3);
    Click(IDC_PICS_BACKGROUND);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet_, kApplyButton)));
    Apply();
    EXPECT_EQ(Records()[0].background, (uint32_t)RGB(1, 2, 3));
}

TEST_F(PicturesPage, AMissingOriginalAsksBeforeItIsRemoved)
{
    const std::string gone = pictures_ + "Weg.jpg";
    WriteDb({Builtin(1), User(gone, gone), Builtin(2)});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    Click(IDC_PICS_NEXT);
    ASSERT_EQ(gPicturesPage.currentIndex, 1);

    gBoxAnswer = IDNO;
    Click(IDC_PICS_SHOWNOW);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].text, "Die Originaldatei wurde nicht gefunden. M\xF6"
                              "chten Sie das Bild entfernen?");
    EXPECT_EQ(gBoxes[0].caption, "KV840");
    EXPECT_EQ(gBoxes[0].flags, (UINT)(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(Records()[1].state, 2);
    EXPECT_TRUE(gDesktopCalls.empty());

    gBoxAnswer = IDYES;
    Click(IDC_PICS_SHOWNOW);
    EXPECT_EQ(gBoxes.size(), 2u);
    EXPECT_EQ(Records()[1].state, 0);
    EXPECT_EQ(gPicturesPage.currentIndex, 0);
    EXPECT_TRUE(gDesktopCalls.empty());
}

TEST_F(PicturesPage, ShowNowSetsThePictureOnTheDesktop)
{
    const std::string picture = pictures_ + "Sonne.jpg";
    Picture(picture);
    WriteDb({User(picture, picture), Builtin(1)});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    Click(IDC_PICS_SHOWNOW);
    EXPECT_TRUE(gBoxes.empty());
    char value[MAX_PATH] = "";
    DWORD size = sizeof(value);
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, SETTINGS_KEY, "OldPic", RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, picture.c_str());
    ASSERT_EQ(gRendered.size(), 1u);
    EXPECT_EQ(gRendered[0], picture);
    ASSERT_EQ(gDesktopCalls.size(), 1u);
    const std::string& path = gDesktopCalls[0];
    EXPECT_EQ(path.substr(path.size() - 13), "wallpaper.bmp");
    EXPECT_EQ(FileBytes(path).size(), 54u + 64 * 48 * 3);

    // A click on the preview makes the thumbnail again and shows the picture once more.
    const std::string thumbnail = data_ + "Sonne.JPG";
    ASSERT_STREQ(Records()[0].thumbnail, thumbnail.c_str());
    ASSERT_TRUE(DeleteFileA(thumbnail.c_str()));
    Click(IDC_PICS_PREVIEW);
    EXPECT_TRUE(Exists(thumbnail));
    EXPECT_STREQ(Records()[0].thumbnail, thumbnail.c_str());
    EXPECT_EQ(gDesktopCalls.size(), 2u);
}

TEST_F(PicturesPage, ShowsTheRecordAsANewUserSeesIt)
{
    const std::string picture = pictures_ + "Sonne.jpg";
    Picture(picture);
    PictureRecord grey = User(picture, picture);
    grey.saturationStep = 0;
    grey.weekdayMask = 0x3E;   // Monday to Friday
    grey.monthFrom = 3;
    grey.monthTo = 9;
    grey.hourFrom = 6;
    grey.hourTo = 20;
    WriteDb({grey, Builtin(1)});
    OpenSheet();
    ASSERT_FALSE(HasFatalFailure());
    SetWindowPos(sheet_, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    Sleep(300);
    Pump();

    for (int day = 0; day < 7; day++)
        EXPECT_EQ(IsDlgButtonChecked(page_, IDC_PICS_SUNDAY + day), (0x3E >> day) & 1 ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(Text(IDC_PICS_MONTHFROM), "M\xE4rz");
    EXPECT_EQ(Text(IDC_PICS_MONTHTO), "September");
    EXPECT_EQ(Text(IDC_PICS_HOURFROM), "06:00");
    EXPECT_EQ(Text(IDC_PICS_HOURTO), "20:59");
    EXPECT_EQ(Text(IDC_PICS_SATURATIONLABEL), "S\xE4ttigung (-5):");

    vt::Pnm shot;
    ASSERT_TRUE(vt::TakeScreenshot(vt::BuildPath("screenshots/pictures_page.png"), &shot));
    RECT preview;
    GetWindowRect(GetDlgItem(page_, IDC_PICS_PREVIEW), &preview);
    ASSERT_GE(preview.left, 0);
    ASSERT_LE(preview.right, shot.width);
    ASSERT_LE(preview.bottom, shot.height);
    // Inside the frame: grey pixels of several shades (the picture, not a blank).
    int notGrey = 0, lightest = 0, darkest = 255;
    for (int y = preview.top + 4; y < preview.bottom - 4; y++)
        for (int x = preview.left + 4; x < preview.right - 4; x++) {
            const uint8_t* p = &shot.pixels[((size_t)y * shot.width + x) * 3];
            if (std::max({abs(p[0] - p[1]), abs(p[1] - p[2]), abs(p[0] - p[2])}) > 6)
                notGrey++;
            lightest = std::max<int>(lightest, p[0]);
            darkest = std::min<int>(darkest, p[0]);
        }
    EXPECT_EQ(notGrey, 0);
    EXPECT_GT(lightest - darkest, 60);
    EXPECT_GE(preview.right - preview.left, 150);
    EXPECT_GE(preview.bottom - preview.top, 112);
}

}  // namespace

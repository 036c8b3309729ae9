#include "options/pictures_page.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/seams.h"
#include "common/bitmap/bitmap.h"
#include "common/picturedb/picture_record.h"
#include "common/picturedb/picture_walks.h"
#include "options/picture_list.h"
#include "options/pictures_page_res.h"
#include "picturedb/picturedb.h"
#include "settings/settings.h"
#include "text/text.h"
#include "tray/tray.h"
#include "wallpaper/wallpaper.h"

PicturesPageState gPicturesPage = {0, 1, 0, 0, 0, 1};

namespace {

const int kThumbWidth = 150;
const int kThumbHeight = 112;
const int kHelpTopic = 10;
const DWORD kOpenFileChars = 8000;

PictureRecord gRecord;             // the record shown
int gShownIndex = -1;              // where gRecord came from; -1: nothing shown
HBITMAP gThumbnail = nullptr;      // 150 x 112 as read
HBITMAP gPreview = nullptr;        // with the record's adjustments, in 1611
BYTE gWork[kThumbWidth * kThumbHeight * 3];
HICON gDayIcon = nullptr;
COLORREF gCustomColours[16];
bool gCancelled = false;
bool gRecountPending = false;      // compacted since the count was taken
// Whether "bilder.temp" is this sheet's copy: without one, a "bilder.temp"
// left from before must not be put back on Cancel.
bool gBackupTaken = false;
// Online pictures removed on this page; deleted when the sheet ends without
// Cancel and no record names them any more.
std::vector<std::string> gRemovedOnline;

struct Trackbar {
    int id;
    int minimum, maximum, pageSize;
    PictureAdjustment adjustment;
    int labelId;
};
const Trackbar kTrackbars[] = {
    {IDC_PICS_BRIGHTNESS, -50, 50, 10, ADJUST_BRIGHTNESS, IDC_PICS_BRIGHTNESSLABEL},
    {IDC_PICS_CONTRAST, -50, 50, 10, ADJUST_CONTRAST, IDC_PICS_CONTRASTLABEL},
    {IDC_PICS_SATURATION, 0, 10, 1, ADJUST_SATURATION, IDC_PICS_SATURATIONLABEL},
    {IDC_PICS_SHARPNESS, -3, 3, 1, ADJUST_SHARPNESS, IDC_PICS_SHARPNESSLABEL},
};

int* AdjustmentField(PictureAdjustment adjustment)
{
    switch (adjustment) {
    case ADJUST_BRIGHTNESS:
        return &gRecord.brightness;
    case ADJUST_CONTRAST:
        return &gRecord.contrast;
    case ADJUST_SATURATION:
        return &gRecord.saturationStep;
    default:
        return &gRecord.sharpness;
    }
}

// Controls that act on the record shown; off while there is none.
const int kRecordControls[] = {IDC_PICS_PREVIEW,   IDC_PICS_SHOWNOW,  IDC_PICS_BACKGROUND, IDC_PICS_STANDARD,
                               IDC_PICS_MONTHFROM, IDC_PICS_MONTHTO,  IDC_PICS_HOURFROM,   IDC_PICS_HOURTO,
                               IDC_PICS_NOCROP,    IDC_PICS_FIRST,    IDC_PICS_BACK,       IDC_PICS_NEXT,
                               IDC_PICS_LAST,      IDC_PICS_REMOVE,   IDC_PICS_BRIGHTNESS, IDC_PICS_CONTRAST,
                               IDC_PICS_SATURATION, IDC_PICS_SHARPNESS};

bool FileExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ExistsForName(void*, const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void OnlineFolder(char* out, size_t size)
{
    const char* data = gSettings.DataFolder;
    size_t length = strlen(data);
    snprintf(out, size, "%s%sonline", data, length && data[length - 1] != '\\' ? "\\" : "");
}

void ReplaceBitmap(HBITMAP* slot, HBITMAP bitmap)
{
    if (*slot && *slot != bitmap)
        DeleteObject(*slot);
    *slot = bitmap;
}

void MarkChanged(HWND page)
{
    gPicturesPage.pageDirty = 1;
    PropSheet_Changed(GetParent(page), page);
}

bool IsOwnThumbnailOfRecord(const char* thumbnail)
{
    return IsOwnThumbnail(thumbnail, gRecord.picture, gSettings.DataFolder);
}

// Writes `bitmap` as the record's thumbnail: over its own thumbnail file, or
// under a new name in the data folder; never anywhere else.
void WriteThumbnail(HWND page, HBITMAP bitmap)
{
    if (!bitmap || gShownIndex < 0)
        return;
    if (IsOwnThumbnailOfRecord(gRecord.thumbnail) && FileExists(gRecord.thumbnail)) {
        SaveBitmapAsJpeg(bitmap, kThumbWidth, kThumbHeight, gRecord.thumbnail);
        return;
    }
    char name[PICTURE_LIST_PATH_SIZE];
    if (!ChooseThumbnailName(gSettings.DataFolder, gRecord.picture, ExistsForName, nullptr, name) ||
        !IsOwnThumbnailOfRecord(name))
        return;
    SaveBitmapAsJpeg(bitmap, kThumbWidth, kThumbHeight, name);
    if (!FileExists(name))
        return;
    lstrcpynA(gRecord.thumbnail, name, sizeof(gRecord.thumbnail));
    WritePictureRecord(page, &gRecord, gShownIndex);
}

bool PictureNewerThanThumbnail()
{
    FILETIME picture, thumbnail;
    return GetFileWriteTime(gRecord.picture, &picture) && GetFileWriteTime(gRecord.thumbnail, &thumbnail) &&
           CompareFileTime(&picture, &thumbnail) > 0;
}

// The record's 150 x 112 picture into gThumbnail, making or renewing the
// thumbnail file of a user picture on the way.
void LoadThumbnail(HWND page)
{
    ReplaceBitmap(&gThumbnail, nullptr);
    if (!IsUserPicture(gRecord.picture)) {
        gThumbnail = LoadPreviewBitmap(gInstance, gRecord.thumbnail, kThumbWidth, kThumbHeight);
        return;
    }
    HWND showNow = GetDlgItem(page, IDC_PICS_SHOWNOW);
    EnableWindow(showNow, FALSE);
    // A thumbnail that is not our own file in the data folder counts as missing.
    bool own = IsOwnThumbnailOfRecord(gRecord.thumbnail) && FileExists(gRecord.thumbnail);
    HBITMAP bitmap = own ? LoadFromFile(gRecord.thumbnail, kThumbWidth, kThumbHeight, 1) : nullptr;
    bool fromPicture = false;
    if (own && bitmap && PictureNewerThanThumbnail()) {
        if (HBITMAP fresh = LoadFromFile(gRecord.picture, kThumbWidth, kThumbHeight, 1)) {
            DeleteObject(bitmap);
            bitmap = fresh;
            fromPicture = true;
        }
    } else if (!bitmap && FileExists(gRecord.picture)) {
        bitmap = LoadFromFile(gRecord.picture, kThumbWidth, kThumbHeight, 1);
        fromPicture = bitmap != nullptr;
    }
    // A missing, foreign, damaged or outdated thumbnail is made again.
    if (fromPicture)
        WriteThumbnail(page, bitmap);
    EnableWindow(showNow, TRUE);
    gThumbnail = bitmap;
}

void SetLabels(HWND page)
{
    for (const Trackbar& t : kTrackbars) {
        char text[128];
        FormatAdjustmentLabel(t.adjustment, *AdjustmentField(t.adjustment), GetLangText, text, sizeof(text));
        SetDlgItemTextA(page, t.labelId, text);
    }
}

void ShowPreview(HWND page)
{
    HBITMAP preview = nullptr;
    if (gShownIndex >= 0 && gThumbnail)
        preview = ProcessBitmap(gWork, gThumbnail, kThumbWidth, kThumbHeight, &gRecord);
    SendDlgItemMessageA(page, IDC_PICS_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)preview);
    ReplaceBitmap(&gPreview, preview);
    if (gShownIndex >= 0)
        SetLabels(page);
}

void SetTrackbars(HWND page)
{
    for (const Trackbar& t : kTrackbars) {
        HWND bar = GetDlgItem(page, t.id);
        SendMessageA(bar, TBM_SETRANGEMIN, FALSE, t.minimum);
        SendMessageA(bar, TBM_SETRANGEMAX, FALSE, t.maximum);
        SendMessageA(bar, TBM_SETPAGESIZE, 0, t.pageSize);
        SendMessageA(bar, TBM_SETTICFREQ, 10, 0);
        SendMessageA(bar, TBM_SETPOS, TRUE, *AdjustmentField(t.adjustment));
    }
}

// The selection of a list for a stored value, or -1 for one outside it.
int Selection(int value, int first, int last)
{
    return value >= first && value <= last ? value - first : -1;
}

void ShowRecordControls(HWND page)
{
    for (int day = 0; day < 7; day++)
        CheckDlgButton(page, IDC_PICS_SUNDAY + day, (gRecord.weekdayMask >> day) & 1 ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(page, IDC_PICS_MONTHFROM, CB_SETCURSEL, Selection(gRecord.monthFrom, 1, 12), 0);
    SendDlgItemMessageA(page, IDC_PICS_MONTHTO, CB_SETCURSEL, Selection(gRecord.monthTo, 1, 12), 0);
    SendDlgItemMessageA(page, IDC_PICS_HOURFROM, CB_SETCURSEL, Selection(gRecord.hourFrom, 0, 23), 0);
    // "to the end of the day" (24) is the last entry, 23:59.
    SendDlgItemMessageA(page, IDC_PICS_HOURTO, CB_SETCURSEL, gRecord.hourTo > 23 ? 23 : gRecord.hourTo, 0);
    CheckDlgButton(page, IDC_PICS_NOCROP, gRecord.cropToFill == 0 ? BST_CHECKED : BST_UNCHECKED);
    for (int id : kRecordControls)
        EnableWindow(GetDlgItem(page, id), TRUE);
    for (int id = IDC_PICS_SUNDAY; id <= IDC_PICS_SATURDAY; id++)
        EnableWindow(GetDlgItem(page, id), TRUE);
    EnableWindow(GetDlgItem(page, IDC_PICS_BACKGROUND), gRecord.cropToFill == 0);
    bool notFirst = gPicturesPage.currentIndex != 0;
    bool notLast = gPicturesPage.currentIndex < gPicturesPage.recordCount - 1;
    EnableWindow(GetDlgItem(page, IDC_PICS_FIRST), notFirst);
    EnableWindow(GetDlgItem(page, IDC_PICS_BACK), notFirst);
    EnableWindow(GetDlgItem(page, IDC_PICS_NEXT), notLast);
    EnableWindow(GetDlgItem(page, IDC_PICS_LAST), notLast);
    SetTrackbars(page);
}

void ShowNoRecord(HWND page)
{
    gShownIndex = -1;
    gPicturesPage.pageDirty = 0;
    ReplaceBitmap(&gThumbnail, nullptr);
    ShowPreview(page);
    for (int id : kRecordControls)
        EnableWindow(GetDlgItem(page, id), FALSE);
    for (int id = IDC_PICS_SUNDAY; id <= IDC_PICS_SATURDAY; id++)
        EnableWindow(GetDlgItem(page, id), FALSE);
}

struct WalkRead {
    HWND page;
    PictureRecord record;
};

bool ReadRecordState(void* context, int n, int* state)
{
    WalkRead* walk = (WalkRead*)context;
    if (!ReadPictureRecord(walk->page, &walk->record, n))
        return false;
    *state = walk->record.state;
    return true;
}

void ShowRecord(HWND page)
{
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    WalkRead walk{page, {}};
    int index = gPicturesPage.currentIndex, direction = gPicturesPage.stepDirection;
    switch (WalkToUsableRecord(gPicturesPage.recordCount, ReadRecordState, &walk, &index, &direction)) {
    case WALK_FOUND:
        gRecord = walk.record;
        gShownIndex = gPicturesPage.currentIndex = index;
        gPicturesPage.stepDirection = direction;
        gPicturesPage.pageDirty = 0;
        LoadThumbnail(page);
        ShowRecordControls(page);
        ShowPreview(page);
        break;
    case WALK_NONE:
        gPicturesPage.currentIndex = 0;
        ShowNoRecord(page);
        break;
    case WALK_READ_FAILED:
        // Nothing new: the index stays with the record still shown.
        if (gShownIndex >= 0)
            gPicturesPage.currentIndex = gShownIndex;
        break;
    }
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

// The selection of a combo box when it is not the one the record showed.
bool ChangedSelection(HWND page, int id, int shown, int* selection)
{
    LRESULT sel = SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR || sel == shown)
        return false;
    *selection = (int)sel;
    return true;
}

void StoreRecord(HWND page)
{
    if (!gPicturesPage.pageDirty)
        return;
    gPicturesPage.pageDirty = 0;
    if (gShownIndex < 0)
        return;
    int mask = gRecord.weekdayMask & ~0x7F;
    for (int day = 0; day < 7; day++)
        if (IsDlgButtonChecked(page, IDC_PICS_SUNDAY + day) == BST_CHECKED)
            mask |= 1 << day;
    gRecord.weekdayMask = (uint16_t)mask;
    // Untouched lists keep the stored value, so a store changes only what the user changed.
    int sel;
    if (ChangedSelection(page, IDC_PICS_MONTHFROM, Selection(gRecord.monthFrom, 1, 12), &sel))
        gRecord.monthFrom = (uint16_t)(sel + 1);
    if (ChangedSelection(page, IDC_PICS_MONTHTO, Selection(gRecord.monthTo, 1, 12), &sel))
        gRecord.monthTo = (uint16_t)(sel + 1);
    if (ChangedSelection(page, IDC_PICS_HOURFROM, Selection(gRecord.hourFrom, 0, 23), &sel))
        gRecord.hourFrom = (uint16_t)sel;
    if (ChangedSelection(page, IDC_PICS_HOURTO, gRecord.hourTo > 23 ? 23 : gRecord.hourTo, &sel))
        gRecord.hourTo = (uint16_t)sel;
    WritePictureRecord(page, &gRecord, gShownIndex);
}

void RemoveRecord(HWND page)
{
    if (gShownIndex < 0)
        return;
    if (!IsUserPicture(gRecord.picture)) {
        // Built-in pictures stay in the list, switched off on every weekday.
        for (int id = IDC_PICS_SUNDAY; id <= IDC_PICS_SATURDAY; id++)
            CheckDlgButton(page, id, BST_UNCHECKED);
        MarkChanged(page);
        return;
    }
    // Files go only once the removal is applied: Cancel brings the record back.
    char online[MAX_PATH];
    OnlineFolder(online, sizeof(online));
    if (IsPathInsideFolder(gRecord.picture, online))
        gRemovedOnline.push_back(gRecord.picture);
    gRecord.state = 0;
    gPicturesPage.pageDirty = 1;
    StoreRecord(page);
    gPicturesPage.stepDirection = -1;
    gPicturesPage.currentIndex = gShownIndex - 1;
    ShowRecord(page);
    PropSheet_Changed(GetParent(page), page);
}

void ShowPictureNow(HWND page)
{
    lstrcpynA(gSettings.OldPic, gRecord.picture, sizeof(gSettings.OldPic));
    SaveLastPicture();
    StoreRecord(page);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ChangeWallpaper(page, gInstance, 1, 1, 0, GetMainPictureRecord());
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

// For a user picture whose file is gone: asks whether to remove the record.
// True when the question was asked.
bool AskAboutMissingPicture(HWND page)
{
    if (!IsUserPicture(gRecord.picture) || FileExists(gRecord.picture))
        return false;
    const char* text = GetLangText("PICS", "DEL_PIC",
                                   "Die Originaldatei wurde nicht gefunden. M\xF6"
                                   "chten Sie das Bild entfernen?");
    if (AppMessageBox(page, text, MAIN_WINDOW_TITLE, MB_ICONQUESTION | MB_YESNO) == IDYES)
        RemoveRecord(page);
    return true;
}

void RenewThumbnail(HWND page)
{
    if (!IsUserPicture(gRecord.picture))
        return;
    if (HBITMAP bitmap = LoadFromFile(gRecord.picture, kThumbWidth, kThumbHeight, 1)) {
        WriteThumbnail(page, bitmap);
        ReplaceBitmap(&gThumbnail, bitmap);
        ShowPreview(page);
    }
}

void ChooseBackground(HWND page)
{
    CHOOSECOLORA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = page;
    request.rgbResult = gRecord.background;
    request.lpCustColors = gCustomColours;
    request.Flags = CC_RGBINIT | CC_FULLOPEN | CC_SOLIDCOLOR;
    if (AppChooseColor(&request) && request.rgbResult != gRecord.background) {
        gRecord.background = request.rgbResult;
        MarkChanged(page);
    }
}

void AddPictures(HWND page)
{
    StoreRecord(page);
    std::vector<char> buffer(kOpenFileChars, 0);
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = page;
    request.hInstance = gInstance;
    request.lpstrFilter = "Bitmaps\0*.jpg;*.jpeg;*.bmp;*.gif;*.psd;*.png;*.pcx;*.tif;*.tiff;*.wmf\0";
    request.lpstrFile = buffer.data();
    request.nMaxFile = kOpenFileChars;
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_SHOWHELP |
                    OFN_HIDEREADONLY;
    if (!AppGetOpenFileName(&request))
        return;
    int count = 0;
    CountPictureRecords(&count);
    int added = 0;
    for (const std::string& path : OpenFileResultPaths(buffer.data(), buffer.size())) {
        PictureRecord record;
        MakeAddedPictureRecord(path.c_str(), count + added, &record);
        if (WritePictureRecord(page, &record, -1))
            added++;
    }
    if (!added)
        return;
    CountPictureRecords(&gPicturesPage.recordCount);
    gPicturesPage.currentIndex = count;
    gPicturesPage.stepDirection = 1;
    ShowRecord(page);
    MarkChanged(page);
}

void Navigate(HWND page, int id)
{
    int index = gPicturesPage.currentIndex, last = gPicturesPage.recordCount - 1;
    int target, direction;
    switch (id) {
    case IDC_PICS_FIRST:
        target = 0, direction = 1;
        break;
    case IDC_PICS_BACK:
        target = index - 1, direction = -1;
        break;
    case IDC_PICS_NEXT:
        target = index + 1, direction = 1;
        break;
    default:
        target = last, direction = -1;
        break;
    }
    if (target < 0 || target > last || (target == index && gShownIndex == index))
        return;
    StoreRecord(page);
    gPicturesPage.currentIndex = target;
    gPicturesPage.stepDirection = direction;
    ShowRecord(page);
}

void ResetAdjustments(HWND page)
{
    gRecord.sharpness = gRecord.brightness = gRecord.contrast = 0;
    gRecord.saturationStep = 5;
    for (const Trackbar& t : kTrackbars)
        SendDlgItemMessageA(page, t.id, TBM_SETPOS, TRUE, *AdjustmentField(t.adjustment));
    MarkChanged(page);
    ShowPreview(page);
}

void ToggleCrop(HWND page)
{
    gRecord.cropToFill = gRecord.cropToFill ? 0 : 1;
    CheckDlgButton(page, IDC_PICS_NOCROP, gRecord.cropToFill == 0 ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(page, IDC_PICS_BACKGROUND), gRecord.cropToFill == 0);
    MarkChanged(page);
}

void OnCommand(HWND page, int id, int code)
{
    if (id == IDC_PICS_ADD) {
        AddPictures(page);
        return;
    }
    if (gShownIndex < 0)
        return;
    switch (id) {
    case IDC_PICS_PREVIEW:
        if (code == STN_CLICKED && !AskAboutMissingPicture(page)) {
            RenewThumbnail(page);
            ShowPictureNow(page);
        }
        break;
    case IDC_PICS_SHOWNOW:
        if (!AskAboutMissingPicture(page))
            ShowPictureNow(page);
        break;
    case IDC_PICS_BACKGROUND:
        ChooseBackground(page);
        break;
    case IDC_PICS_STANDARD:
        ResetAdjustments(page);
        break;
    case IDC_PICS_MONTHFROM:
    case IDC_PICS_MONTHTO:
    case IDC_PICS_HOURFROM:
    case IDC_PICS_HOURTO:
        if (code == CBN_SELCHANGE && SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0) != CB_ERR)
            MarkChanged(page);
        break;
    case IDC_PICS_NOCROP:
        if (code == BN_CLICKED)
            ToggleCrop(page);
        break;
    case IDC_PICS_FIRST:
    case IDC_PICS_BACK:
    case IDC_PICS_NEXT:
    case IDC_PICS_LAST:
        Navigate(page, id);
        break;
    case IDC_PICS_REMOVE:
        RemoveRecord(page);
        break;
    default:
        if (id >= IDC_PICS_SUNDAY && id <= IDC_PICS_SATURDAY && code == BN_CLICKED)
            MarkChanged(page);
        break;
    }
}

void OnTrackbar(HWND page, HWND bar)
{
    if (gShownIndex < 0)
        return;
    int id = GetDlgCtrlID(bar);
    for (const Trackbar& t : kTrackbars)
        if (t.id == id) {
            *AdjustmentField(t.adjustment) = (int)SendMessageA(bar, TBM_GETPOS, 0, 0);
            MarkChanged(page);
            ShowPreview(page);
        }
}

void SetTexts(HWND page)
{
    struct Text {
        int id;
        const char *section, *key, *def;
    };
    static const Text kTexts[] = {
        {IDC_PICS_SHOWNOW, "PICS", "JETZTANZEIGEN", "Bild &jetzt anzeigen"},
        {IDC_PICS_BACKGROUND, "PICS", "PIC_HG", "Hintergrundfarbe"},
        {IDC_PICS_STANDARD, "PICS", "PIC_STANDARD", "< Standard"},
        {IDC_PICS_SHOWLABEL, "PICS", "ANZEIGEN", "anzeigen:"},
        {1622, "ALARM", "SO", "So "},
        {1623, "ALARM", "MO", "Mo "},
        {1624, "ALARM", "DI", "Di "},
        {1625, "ALARM", "MI", "Mi "},
        {1626, "ALARM", "DO", "Do"},
        {1627, "ALARM", "FR", "Fr "},
        {1628, "ALARM", "SA", "Sa "},
        {IDC_PICS_MONTHFROMLABEL, "PICS", "VON", "von"},
        {IDC_PICS_MONTHTOLABEL, "PICS", "BIS", "bis"},
        {IDC_PICS_HOURFROMLABEL, "PICS", "VON", "von"},
        {IDC_PICS_HOURTOLABEL, "PICS", "BIS", "bis"},
        {IDC_PICS_NOCROP, "PICS", "NICHTBESCHNEIDEN", "nicht beschneiden"},
        {IDC_PICS_ADD, "PICS", "BNEU", "Hinzuf\xFCgen"},
        {IDC_PICS_REMOVE, "PICS", "BLOESCH", "Entfernen"},
    };
    for (const Text& t : kTexts)
        SetDlgItemTextA(page, t.id, GetLangText(t.section, t.key, t.def));
}

void FillLists(HWND page)
{
    HWND lists[] = {GetDlgItem(page, IDC_PICS_MONTHFROM), GetDlgItem(page, IDC_PICS_MONTHTO),
                    GetDlgItem(page, IDC_PICS_HOURFROM), GetDlgItem(page, IDC_PICS_HOURTO)};
    for (HWND list : lists)
        SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int month = 0; month < 12; month++) {
        SendMessageA(lists[0], CB_ADDSTRING, 0, (LPARAM)gMonthNames[month]);
        SendMessageA(lists[1], CB_ADDSTRING, 0, (LPARAM)gMonthNames[month]);
    }
    for (int hour = 0; hour < 24; hour++) {
        char text[16];
        snprintf(text, sizeof(text), "%02d:00", hour);
        SendMessageA(lists[2], CB_ADDSTRING, 0, (LPARAM)text);
        snprintf(text, sizeof(text), "%02d:59", hour);
        SendMessageA(lists[3], CB_ADDSTRING, 0, (LPARAM)text);
    }
}

void SetDayIcon(HWND page)
{
    SYSTEMTIME now;
    GetClockTime(&now);
    bool weekend = now.wDayOfWeek == 0 || now.wDayOfWeek == 6;
    if (HICON icon = CreateDayIcon(now.wDay, weekend ? 255 : 0)) {
        SendDlgItemMessageA(page, IDC_PICS_DAYICON, STM_SETIMAGE, IMAGE_ICON, (LPARAM)icon);
        if (gDayIcon)
            DestroyIcon(gDayIcon);
        gDayIcon = icon;
    }
}

void OnInitDialog(HWND page)
{
    memset(gWork, 0, sizeof(gWork));
    SetDayIcon(page);
    FillLists(page);
    gShownIndex = -1;
    gCancelled = false;
    gRecountPending = false;
    gRemovedOnline.clear();
    gPicturesPage.pageDirty = 0;
    gPicturesPage.compactPending = 0;
    gPicturesPage.stepDirection = 1;
    gPicturesPage.currentIndex = 0;
    gBackupTaken = BackupPictureDatabase(&gPicturesPage.recordCount) != 0;
    if (gSettings.OldPic[0]) {
        PictureRecord record;
        for (int n = 0; n < gPicturesPage.recordCount && ReadPictureRecord(page, &record, n); n++)
            if (PictureNamesEqual(record.picture, gSettings.OldPic)) {
                gPicturesPage.currentIndex = n;
                break;
            }
    }
    ShowRecord(page);
}

void OnSetActive(HWND page)
{
    if (gPicturesPage.firstActivation) {
        gPicturesPage.firstActivation = 0;
        gPicturesPage.stepDirection = 1;
        gPicturesPage.currentIndex = 0;
        gBackupTaken = BackupPictureDatabase(&gPicturesPage.recordCount) != 0;
        gRecountPending = false;
    } else if (gRecountPending) {
        CountPictureRecords(&gPicturesPage.recordCount);
        gRecountPending = false;
        int last = gPicturesPage.recordCount - 1;
        if (gPicturesPage.currentIndex > last)
            gPicturesPage.currentIndex = last;
        if (gPicturesPage.currentIndex < 0)
            gPicturesPage.currentIndex = 0;
    }
    SetTexts(page);
    ShowRecord(page);
}

void CompactNow()
{
    CompactPictureDatabase();
    // The record shown may have moved; the next activation counts and reads again.
    gShownIndex = -1;
    gRecountPending = true;
}

void DeleteRemovedOnlinePictures()
{
    int count = 0;
    if (!CountPictureRecords(&count))
        return;
    char online[MAX_PATH];
    OnlineFolder(online, sizeof(online));
    for (const std::string& path : gRemovedOnline)
        if (IsPathInsideFolder(path.c_str(), online) && !FindPictureRecord(path.c_str()))
            DeleteFileA(path.c_str());
}

void OnDestroy()
{
    if (!gCancelled) {
        if (gPicturesPage.compactPending)
            CompactNow();
        DeleteRemovedOnlinePictures();
    }
    gPicturesPage.compactPending = 0;
    gRemovedOnline.clear();
    gShownIndex = -1;
    ReplaceBitmap(&gThumbnail, nullptr);
    ReplaceBitmap(&gPreview, nullptr);
    if (gDayIcon)
        DestroyIcon(gDayIcon);
    gDayIcon = nullptr;
}

INT_PTR OnNotify(HWND page, const NMHDR* header)
{
    LRESULT result = 0;
    switch (header->code) {
    case PSN_SETACTIVE:
        OnSetActive(page);
        break;
    case PSN_KILLACTIVE:
        StoreRecord(page);
        if (gPicturesPage.compactPending)
            CompactNow();
        result = FALSE;
        break;
    case PSN_APPLY:
        StoreRecord(page);
        gPicturesPage.compactPending = 1;
        SaveSettings();
        result = PSNRET_NOERROR;
        break;
    case PSN_RESET:
        if (gBackupTaken)
            RestorePictureDatabase();
        gPicturesPage.compactPending = 0;
        gPicturesPage.pageDirty = 0;
        gCancelled = true;
        gShownIndex = -1;
        gRemovedOnline.clear();
        break;
    case PSN_HELP:
        ShowHelp(page, nullptr, kHelpTopic);
        break;
    default:
        return FALSE;
    }
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK PicturesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(page);
        return TRUE;
    case WM_APP_PICSHOW:
        ShowRecord(page);
        return TRUE;
    case WM_APP_PICPREVIEW:
        ShowPreview(page);
        return TRUE;
    case WM_APP_PICSTORE:
        StoreRecord(page);
        return TRUE;
    case WM_APP_PICREMOVE:
        RemoveRecord(page);
        return TRUE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HSCROLL:
        OnTrackbar(page, (HWND)lParam);
        return TRUE;
    case WM_NOTIFY:
        return OnNotify(page, (const NMHDR*)lParam);
    case WM_HELP:
        ShowHelp(page, (void*)lParam, 0);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    }
    return FALSE;
}

// The "Bilder" page of the options sheet (dialog 116): the picture database
// one record at a time, with its preview, adjustments, Add, Remove and
// "show now". Edits go straight into "bilder.dat"; Cancel puts back the copy
// taken when the page opened.
#pragma once

#include <windows.h>

// Private messages of the page.
#define WM_APP_PICSHOW 0x8461      // show the usable record at or after currentIndex
#define WM_APP_PICPREVIEW 0x8462   // the adjusted preview and the value labels again
#define WM_APP_PICSTORE 0x8463     // write the controls into the record when changed
#define WM_APP_PICREMOVE 0x8464    // remove the record shown (built-ins: no weekdays)

// The page's state lives as long as the program: the options sheet's Reset
// sets firstActivation again so the page counts the new database.
struct PicturesPageState {
    int currentIndex;      // position of the record shown, 0-based
    int stepDirection;     // +1 or -1: the way removed records are skipped
    int recordCount;       // records counted at the backup or since
    int pageDirty;         // the controls hold changes not yet in the record
    int compactPending;    // applied: compact when the page is left
    int firstActivation;   // 1 until the first PSN_SETACTIVE
};
extern PicturesPageState gPicturesPage;

INT_PTR CALLBACK PicturesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The step machine of the desktop layered windows: init, build, refresh, drag
// and drop, over one persistent DIB-section frame per window.
#include "desktop/surface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "desktop/desktop.h"
#include "desktop/grid.h"
#include "desktop/layouts.h"
#include "imaging/is5.h"

volatile int gCalendarBusy = 0;
volatile int gClockBusy = 0;
volatile LONG gLastMouseX = 0, gLastMouseY = 0;
char gDesktopDumpFolder[MAX_PATH];

namespace {

SRWLOCK gSettingsLock = SRWLOCK_INIT;

CRITICAL_SECTION* StepLock()
{
    // Made on first use; both drawing threads start well after the program.
    static CRITICAL_SECTION lock;
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(
        &once,
        [](PINIT_ONCE, PVOID, PVOID*) -> BOOL {
            InitializeCriticalSection(&lock);
            return TRUE;
        },
        nullptr, nullptr);
    return &lock;
}

HDC WinGetDC(HWND window)
{
    return GetDC(window);
}

int WinReleaseDC(HWND window, HDC dc)
{
    return ReleaseDC(window, dc);
}

HDC WinCreateMemoryDC(HDC dc)
{
    return CreateCompatibleDC(dc);
}

BOOL WinDeleteDC(HDC dc)
{
    return DeleteDC(dc);
}

HBITMAP WinCreateFrame(HDC dc, int width, int height, BYTE** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* data = nullptr;
    HBITMAP frame = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &data, nullptr, 0);
    *bits = frame ? (BYTE*)data : nullptr;
    return frame;
}

HBITMAP WinPictureToBitmap(const BYTE* buffer, int width, int height, HDC dc)
{
    return is5_RGBToHBITMAP(buffer, (uint32_t)width, (uint32_t)height, (uint32_t)width * 3, nullptr, dc);
}

HGDIOBJ WinSelectObject(HDC dc, HGDIOBJ object)
{
    return SelectObject(dc, object);
}

BOOL WinDeleteObject(HGDIOBJ object)
{
    return DeleteObject(object);
}

BOOL WinBlit(HDC target, HBITMAP picture, int width, int height)
{
    HDC source = CreateCompatibleDC(target);
    if (!source)
        return FALSE;
    HGDIOBJ old = SelectObject(source, picture);
    BOOL ok = BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    return ok;
}

BOOL WinUpdateLayered(HWND window, HDC screen, int x, int y, int width, int height, HDC memory, COLORREF key)
{
    POINT at = {x, y};
    SIZE size = {width, height};
    POINT origin = {0, 0};
    return UpdateLayeredWindow(window, screen, &at, &size, memory, &origin, key, nullptr, ULW_COLORKEY);
}

void WinShowWindow(HWND window, int command)
{
    // Asynchronous: the user-interface thread may sleep in start-up.
    ShowWindowAsync(window, command);
}

void WinSetWindowPos(HWND window, HWND after, int x, int y, UINT flags)
{
    SetWindowPos(window, after, x, y, 0, 0, flags | SWP_ASYNCWINDOWPOS);
}

BOOL WinGetCursorPos(POINT* point)
{
    return GetCursorPos(point);
}

void WinGetWorkArea(RECT* work)
{
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, work, 0))
        SetRect(work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void DeselectFrame(LayeredSurface* s)
{
    const DesktopPlatform& p = gDesktopPlatform;
    if (s->memoryDC && s->previous)
        p.selectObject(s->memoryDC, s->previous);
    s->previous = nullptr;
    if (s->frame)
        p.deleteObject(s->frame);
    s->frame = nullptr;
    s->frameBits = nullptr;
    s->frameWidth = s->frameHeight = 0;
}

bool MakeFrame(LayeredSurface* s, int width, int height)
{
    const DesktopPlatform& p = gDesktopPlatform;
    BYTE* bits = nullptr;
    HBITMAP frame = p.createFrame(s->screenDC, width, height, &bits);
    if (!frame)
        return false;
    s->frame = frame;
    s->frameBits = bits;
    s->frameWidth = width;
    s->frameHeight = height;
    s->previous = (HBITMAP)p.selectObject(s->memoryDC, frame);
    return true;
}

// Puts the picture into the frame with every alpha byte opaque, so that only
// the colour key makes pixels transparent.
void FillFrame(LayeredSurface* s)
{
    int width = s->picture.right, height = s->picture.bottom;
    if (!s->frame || !s->pictureBitmap || width > s->frameWidth || height > s->frameHeight)
        return;
    gDesktopPlatform.blit(s->memoryDC, s->pictureBitmap, width, height);
    GdiFlush();
    if (!s->frameBits)
        return;
    size_t count = (size_t)s->frameWidth * (size_t)s->frameHeight;
    for (size_t i = 0; i < count; i++)
        s->frameBits[i * 4 + 3] = 0xFF;
}

void ShowAt(LayeredSurface* s, int x, int y)
{
    if (!s->frame || s->picture.right <= 0)
        return;
    gDesktopPlatform.updateLayered(s->window, s->screenDC, x, y, s->picture.right, s->picture.bottom, s->memoryDC,
                                   s->key);
}

void PushToBottom(LayeredSurface* s)
{
    gDesktopPlatform.setWindowPos(s->window, HWND_BOTTOM, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

// Builds a new picture and shows it; false when it cannot be made.
bool BuildStep(LayeredSurface* s, const SurfaceKind* k)
{
    const DesktopPlatform& p = gDesktopPlatform;
    *k->rebuild = 0;
    DeselectFrame(s);
    if (s->pictureBitmap)
        p.deleteObject(s->pictureBitmap);
    s->pictureBitmap = nullptr;

    BYTE* buffer = nullptr;
    int width = 0, height = 0;
    COLORREF key = s->key;
    if (!k->build(&buffer, &width, &height, &key))
        return false;
    SetRect(&s->picture, 0, 0, width, height);
    s->key = key;
    s->pictureBitmap = p.pictureToBitmap(buffer, width, height, s->screenDC);
    free(buffer);
    if (!s->pictureBitmap || !MakeFrame(s, width, height))
        return false;

    int x, y;
    k->getPosition(&x, &y);
    k->place(width, height, &x, &y);
    k->setPosition(x, y);
    s->placedX = x;
    s->placedY = y;
    FillFrame(s);
    ShowAt(s, x, y);
    p.showWindow(s->window, SW_SHOWNA);
    PushToBottom(s);
    k->drag->positionChanged = 1;
    s->state = SURFACE_REFRESH;
    return true;
}

}  // namespace

const DesktopPlatform kWindowsDesktopPlatform = {
    WinGetDC,     WinReleaseDC,     WinCreateMemoryDC, WinDeleteDC,     WinCreateFrame,
    WinPictureToBitmap, WinSelectObject, WinDeleteObject, WinBlit,    WinUpdateLayered,
    WinShowWindow, WinSetWindowPos, WinGetCursorPos,   WinGetWorkArea,
};
DesktopPlatform gDesktopPlatform = kWindowsDesktopPlatform;

void LockDesktopSettings()
{
    AcquireSRWLockExclusive(&gSettingsLock);
}

void UnlockDesktopSettings()
{
    ReleaseSRWLockExclusive(&gSettingsLock);
}

void EndDesktopThreads()
{
    EndCalendarThread();
    EndClockThread();
}

void EndDrawingThread(HANDLE* thread)
{
    if (!*thread)
        return;
    while (MsgWaitForMultipleObjects(1, thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(*thread);
    *thread = nullptr;
}

void EnterDrawingStep()
{
    EnterCriticalSection(StepLock());
}

void LeaveDrawingStep()
{
    LeaveCriticalSection(StepLock());
}

void InitSurface(LayeredSurface* s, HWND window)
{
    const DesktopPlatform& p = gDesktopPlatform;
    // A retried init gives back what the last one took.
    DeselectFrame(s);
    if (s->memoryDC)
        p.deleteDC(s->memoryDC);
    if (s->screenDC)
        p.releaseDC(nullptr, s->screenDC);
    s->screenDC = p.getDC(nullptr);
    s->memoryDC = s->screenDC ? p.createMemoryDC(s->screenDC) : nullptr;
    s->window = window;
    if (s->memoryDC) {
        SetMapMode(s->memoryDC, MM_TEXT);
        SetLayout(s->memoryDC, 0);
    }
    if (s->screenDC)
        SetMapMode(s->screenDC, MM_TEXT);
    s->initialised = 1;
    s->state = SURFACE_INIT;
    p.getWorkArea(&s->work);
}

void FreeSurface(LayeredSurface* s)
{
    const DesktopPlatform& p = gDesktopPlatform;
    if (s->window && s->keyBrush) {
        if (HDC dc = p.getDC(s->window)) {
            RECT client;
            GetClientRect(s->window, &client);
            FillRect(dc, &client, s->keyBrush);
            p.releaseDC(s->window, dc);
        }
    }
    if (s->window) {
        p.showWindow(s->window, SW_HIDE);
        p.setWindowPos(s->window, HWND_BOTTOM, 0, 9999, SWP_NOACTIVATE | SWP_NOSIZE);
    }
    s->initialised = 0;
    s->state = SURFACE_INIT;
    DeselectFrame(s);
    if (s->screenDC)
        p.releaseDC(nullptr, s->screenDC);
    s->screenDC = nullptr;
    if (s->memoryDC)
        p.deleteDC(s->memoryDC);
    s->memoryDC = nullptr;
    if (s->pictureBitmap)
        p.deleteObject(s->pictureBitmap);
    s->pictureBitmap = nullptr;
    SetRect(&s->picture, 0, 0, 0, 0);
}

void StepSurface(LayeredSurface* s, const SurfaceKind* k)
{
    const DesktopPlatform& p = gDesktopPlatform;
    DragFlags* drag = k->drag;
    switch (s->state) {
    case SURFACE_INIT:
        InitSurface(s, s->window);
        if (s->memoryDC &&
            MakeFrame(s, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) {
            SetRect(&s->picture, 0, 0, 0, 0);
            s->state = SURFACE_BUILD;
            return;
        }
        break;
    case SURFACE_BUILD:
        if (!BuildStep(s, k))
            FreeSurface(s);
        break;
    case SURFACE_REFRESH:
        if (InterlockedExchange(k->represent, 0)) {
            FillFrame(s);
            ShowAt(s, s->placedX, s->placedY);
        }
        if (k->pushToBottomOnRefresh)
            PushToBottom(s);
        if (*k->rebuild)
            s->state = SURFACE_BUILD;
        break;
    case SURFACE_DRAG_START:
        s->dragOffset.x = gLastMouseX - s->picture.left;
        s->dragOffset.y = gLastMouseY - s->picture.top;
        s->state = SURFACE_DRAGGING;
        // fall through
    case SURFACE_DRAGGING: {
        POINT cursor;
        if (p.getCursorPos(&cursor)) {
            k->setPosition(cursor.x - s->dragOffset.x, cursor.y - s->dragOffset.y);
            drag->positionChanged = 1;
        }
        break;
    }
    case SURFACE_DROP:
        FillFrame(s);
        ShowAt(s, s->placedX, s->placedY);
        PushToBottom(s);
        drag->savePosition = 1;
        drag->positionChanged = 1;
        s->state = SURFACE_REFRESH;
        break;
    default:
        s->state = SURFACE_INIT;
        break;
    }

    if (drag->dragging && !s->inDrag) {
        s->inDrag = 1;
        if (s->frame && s->picture.right > 0)
            s->state = SURFACE_DRAG_START;
    } else if (!drag->dragging && s->inDrag) {
        s->inDrag = 0;
        if (s->state == SURFACE_DRAG_START || s->state == SURFACE_DRAGGING)
            s->state = SURFACE_DROP;
    }

    if (drag->positionChanged && s->picture.right > 0) {
        p.getWorkArea(&s->work);
        int x, y;
        k->getPosition(&x, &y);
        k->clamp(s, &x, &y);
        k->setPosition(x, y);
        drag->positionChanged = 0;
        bool moved = x != s->placedX || y != s->placedY;
        s->placedX = x;
        s->placedY = y;
        if (moved)
            ShowAt(s, x, y);
        if (drag->savePosition) {
            drag->savePosition = 0;
            k->save(x, y);
        }
    }
}

void BeginWindowDrag(HWND window, int x, int y)
{
    gLastMouseX = x;
    gLastMouseY = y;
    SetCapture(window);
}

void TrackWindowDrag(DragFlags* drag, int x, int y, WPARAM keys)
{
    if (!(keys & MK_LBUTTON)) {
        drag->referenceX = x;
        drag->referenceY = y;
    } else if (IsDragMove(x, y, drag->referenceX, drag->referenceY)) {
        drag->dragging = 1;
        // One empty absolute mouse event keeps the mouse messages coming.
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
        SendInput(1, &input, sizeof(INPUT));
    }
    gLastMouseX = x;
    gLastMouseY = y;
}

void EndWindowDrag(DragFlags* drag)
{
    ReleaseCapture();
    drag->dragging = 0;
}

void DumpPicture(const char* name, const BYTE* buffer, int width, int height)
{
    if (!gDesktopDumpFolder[0])
        return;
    static volatile LONG counter = 0;
    char path[MAX_PATH];
    snprintf(path, sizeof(path), "%s\\%s-%05ld.bmp", gDesktopDumpFolder, name, InterlockedIncrement(&counter));
    WriteRgbBmp(path, buffer, width, height);
}

void DumpThreadTime(const char* name)
{
    if (!gDesktopDumpFolder[0])
        return;
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return;
    ULONGLONG k = ((ULONGLONG)kernel.dwHighDateTime << 32) | kernel.dwLowDateTime;
    ULONGLONG u = ((ULONGLONG)user.dwHighDateTime << 32) | user.dwLowDateTime;
    char path[MAX_PATH];
    snprintf(path, sizeof(path), "%s\\cputime.txt", gDesktopDumpFolder);
    if (FILE* f = fopen(path, "ab")) {
        fprintf(f, "%s %.3f\n", name, (double)(k + u) / 1e7);
        fclose(f);
    }
}

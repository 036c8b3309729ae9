// The drawing state and step machine shared by the desktop calendar and the
// desktop clock, and the platform calls they go through (tests count them).
#pragma once

#include <windows.h>

#define SURFACE_INIT 0
#define SURFACE_BUILD 1
#define SURFACE_REFRESH 2
#define SURFACE_DRAG_START 1100
#define SURFACE_DRAGGING 1101
#define SURFACE_DROP 1200

struct LayeredSurface {
    int initialised;
    int state;
    RECT picture;
    RECT work;
    int inDrag;
    HBITMAP frame, previous;
    HDC memoryDC, screenDC;
    HWND window;
    HBRUSH keyBrush;
    HBITMAP pictureBitmap;
    // The frame is a 32-bit top-down DIB section; its bits and size.
    BYTE* frameBits;
    int frameWidth, frameHeight;
    COLORREF key;
    int placedX, placedY;
    POINT dragOffset;
};

// Mouse state of one window, set by its window procedure.
struct DragFlags {
    volatile LONG dragging;
    volatile LONG referenceX, referenceY;
    int positionChanged;
    int savePosition;
};

// What differs between the calendar and the clock.
struct SurfaceKind {
    // Measures, allocates (free()) and draws a picture; its colour key.
    bool (*build)(BYTE** buffer, int* width, int* height, COLORREF* key);
    // First placement of a new picture from the stored position.
    void (*place)(int width, int height, int* x, int* y);
    // Bounds after a move.
    void (*clamp)(const LayeredSurface* s, int* x, int* y);
    void (*save)(int x, int y);
    void (*getPosition)(int* x, int* y);
    void (*setPosition)(int x, int y);
    volatile int* rebuild;
    volatile LONG* represent;   // set on WM_DISPLAYCHANGE
    DragFlags* drag;
    int pushToBottomOnRefresh;
};

struct DesktopPlatform {
    HDC (*getDC)(HWND window);
    int (*releaseDC)(HWND window, HDC dc);
    HDC (*createMemoryDC)(HDC dc);
    BOOL (*deleteDC)(HDC dc);
    // A 32-bit top-down DIB section; NULL when it cannot be made.
    HBITMAP (*createFrame)(HDC dc, int width, int height, BYTE** bits);
    // The device-compatible picture of an R, G, B buffer, or NULL.
    HBITMAP (*pictureToBitmap)(const BYTE* buffer, int width, int height, HDC dc);
    HGDIOBJ (*selectObject)(HDC dc, HGDIOBJ object);
    BOOL (*deleteObject)(HGDIOBJ object);
    // Copies the picture to (0, 0) of the DC.
    BOOL (*blit)(HDC target, HBITMAP picture, int width, int height);
    BOOL (*updateLayered)(HWND window, HDC screen, int x, int y, int width, int height, HDC memory, COLORREF key);
    void (*showWindow)(HWND window, int command);
    void (*setWindowPos)(HWND window, HWND after, int x, int y, UINT flags);
    BOOL (*getCursorPos)(POINT* point);
    void (*getWorkArea)(RECT* work);
};

extern DesktopPlatform gDesktopPlatform;
// The platform of the program (to restore after a test).
extern const DesktopPlatform kWindowsDesktopPlatform;

// Last mouse point of either window (client coordinates).
extern volatile LONG gLastMouseX, gLastMouseY;

void InitSurface(LayeredSurface* s, HWND window);
void FreeSurface(LayeredSurface* s);
void StepSurface(LayeredSurface* s, const SurfaceKind* kind);

// Window-procedure halves of the drag, shared by both windows.
void BeginWindowDrag(HWND window, int x, int y);
void TrackWindowDrag(DragFlags* drag, int x, int y, WPARAM keys);
void EndWindowDrag(DragFlags* drag);

// One lock for the step of either drawing thread.
void EnterDrawingStep();
void LeaveDrawingStep();

// Test build: writes the picture to the dump folder as <name>-<n>.bmp.
void DumpPicture(const char* name, const BYTE* buffer, int width, int height);
// Test build: appends "<name> <seconds>" of the calling thread's CPU time.
void DumpThreadTime(const char* name);

// Wait for the drawing thread to end and forget it.
void EndCalendarThread();
void EndClockThread();
// Waits for a drawing thread to end, handling the messages other threads
// send to the calling thread's windows meanwhile (a drawing step may be in
// one), then closes its handle and clears it.
void EndDrawingThread(HANDLE* thread);

// Test helper: finds the calendar program's window "KV840", sends or posts it
// messages and prints its state.
//   veskoctltool state                     visible=1 x=.. y=.. width=.. height=.. topmost=0|1
//   veskoctltool send MSG [WPARAM [LPARAM]]  prints the result
//   veskoctltool post MSG [WPARAM [LPARAM]]
// Numbers may be decimal or 0x hex. Exit code 0, or 1 when there is no window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/app.h"

namespace {

unsigned long long Number(int argc, char** argv, int index)
{
    return index < argc ? strtoull(argv[index], nullptr, 0) : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: veskoctltool state | send MSG [WPARAM [LPARAM]] | post MSG [WPARAM [LPARAM]]\n");
        return 2;
    }
    HWND window = FindWindowA(nullptr, MAIN_WINDOW_TITLE);
    if (!window) {
        printf("none\n");
        return 1;
    }
    if (strcmp(argv[1], "state") == 0) {
        RECT r;
        GetWindowRect(window, &r);
        printf("visible=%d x=%ld y=%ld width=%ld height=%ld topmost=%d\n", IsWindowVisible(window) ? 1 : 0,
               (long)r.left, (long)r.top, (long)(r.right - r.left), (long)(r.bottom - r.top),
               (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
        return 0;
    }
    UINT message = (UINT)Number(argc, argv, 2);
    WPARAM wParam = (WPARAM)Number(argc, argv, 3);
    LPARAM lParam = (LPARAM)Number(argc, argv, 4);
    if (strcmp(argv[1], "send") == 0) {
        printf("%lld\n", (long long)SendMessageA(window, message, wParam, lParam));
        return 0;
    }
    if (strcmp(argv[1], "post") == 0)
        return PostMessageA(window, message, wParam, lParam) ? 0 : 1;
    fprintf(stderr, "veskoctltool: unknown command %s\n", argv[1]);
    return 2;
}

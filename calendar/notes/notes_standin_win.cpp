// Stand-in until the notes are built: no window.
#include "notes/notes.h"

#include "base/test_call_log.h"

volatile int gNotesVisible = 0;
HWND gNotesOwner = nullptr;

int CreateNotesWindow()
{
    LogStandInCall("CreateNotesWindow");
    return 0;
}

// Stand-in until appointments are built: no alarms, no editor.
#include "alarms/alarms.h"

#include "base/test_call_log.h"

void LoadAlarmFile(const char*)
{
    LogStandInCall("LoadAlarmFile");
}

void CheckAlarmsDue(HWND)
{
    LogStandInCall("CheckAlarmsDue");
}

INT_PTR CALLBACK AlarmEditorDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

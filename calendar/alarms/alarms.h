// Appointments and alarms.
#pragma once

#include <windows.h>

void LoadAlarmFile(const char* path);
void CheckAlarmsDue(HWND owner);
INT_PTR CALLBACK AlarmEditorDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

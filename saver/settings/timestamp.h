// The time stamp of the debug log's lines.
#pragma once

// "dd.mm.yyyy hh:mm.ss" (each field at least two digits, the year in full),
// cut to size and terminated when size > 0.
void FormatTimestampFields(int day, int month, int year, int hour, int minute, int second, char* buffer, int size);

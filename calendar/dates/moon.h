// Moon phase of a date.
#pragma once

// Icon number 0 (new moon) .. 7 (waning crescent) of the date.
int GetMoonPhaseIcon(int day, int month, int year);

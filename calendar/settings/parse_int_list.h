// Integers from a text such as "5, 0, 0" (registry values KalenderXY, UhrXY).
#pragma once

// Fills up to n values (the rest 0) and returns how many numbers were found.
int ParseIntList(const char* text, int* values, int n);

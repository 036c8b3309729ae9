// The system report both programs' logs begin with: lines ending in CR LF,
// appended to a caller's buffer of `size` bytes (cut when full, always terminated).
#pragma once

#include <cstddef>

// Windows' name, edition, service pack and build.
void AppendOsVersionReport(char* buffer, size_t size);
// Memory load, physical memory and page file.
void AppendMemoryReport(char* buffer, size_t size);
// Processor type, count and identifier.
void AppendProcessorReport(char* buffer, size_t size);
// Monitors and the screen's device capabilities, each label padded with blanks
// to labelWidth characters (the calendar 18, the screen saver 14).
void AppendDisplayReport(char* buffer, size_t size, int labelWidth);

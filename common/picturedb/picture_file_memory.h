// In-memory files behind the picture database's file interface, for tests and
// the fuzz target: share modes like Win32 and a step counter that makes one
// chosen step (open, size, read, write, lock, flush, copy, replace) fail.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/picturedb/picture_file.h"

struct MemoryPictureHandle {
    std::string path;
    PictureOpenMode mode;
};

struct MemoryPictureFiles {
    std::map<std::string, std::vector<uint8_t>> files;
    std::vector<MemoryPictureHandle*> handles;   // open ones
    int steps = 0;     // failable steps taken so far
    int failAt = 0;    // the step (1-based) that fails; 0: none
    PictureFileOps ops;
};

void InitMemoryPictureFiles(MemoryPictureFiles* files);
// Closes every handle still open.
void FreeMemoryPictureFiles(MemoryPictureFiles* files);

// Drives a memory source and a memory sink with operations taken from the
// input: positions, lengths and origins that no well-behaved reader would use.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 20))
        return 0;
    CISIO_Memory source;
    if (!source.OpenRead(data, static_cast<int32_t>(size)))
        return 0;
    std::vector<uint8_t> block(64);
    CISIO_Memory sink;
    sink.AttachWrite(block.data(), static_cast<int32_t>(block.size()), FALSE);
    uint8_t buffer[400];  // the largest length below is 128 * 3
    for (size_t i = 0; i + 1 < size && i < 256; i += 2) {
        int32_t arg = static_cast<int8_t>(data[i + 1]) * 3;
        int32_t position = 0, length = 0;
        switch (data[i] % 6) {
        case 0: source.ReadUpTo(buffer, arg < 0 ? -arg : arg); break;
        case 1: source.Seek(arg, data[i] % 3); break;
        case 2: source.Tell(&position); source.Size(&length); source.AtEnd(); break;
        case 3: sink.Write(data, 1, static_cast<int32_t>(std::min<size_t>(size, arg < 0 ? -arg : arg))); break;
        case 4: sink.Seek(arg, data[i] % 3); break;
        default: sink.ReadUpTo(buffer, arg < 0 ? -arg : arg); break;
        }
        if (source.Tell(&position) && source.Size(&length) && (position < 0 || position > length))
            __builtin_trap();
    }
    return 0;
}

// Feeds arbitrary bytes, as they are, to the "8BIM" resource parser as one
// image-resource block: keeping every record, only the resolution, or none;
// every kept record's bytes are read back.
#include <cstdint>

#include "imaging/formats/psd/psd_reader.h"

namespace {

uint32_t Touch(const ISPhotoshopResource& r)
{
    uint32_t sum = uint32_t(r.id) + uint32_t(r.name.size());
    for (int32_t i = 0; i < r.bytes.Count(); ++i)
        sum += r.bytes[size_t(i)];
    for (uint32_t i = 0; i < r.dataSize; ++i)
        sum += r.Data()[i];
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    volatile uint32_t sink = 0;
    for (int pass = 0; pass < 3; ++pass) {
        CISPhotoshopResources parser;
        if (pass == 1)
            parser.m_wanted.push_back(kPsdResolutionId);
        parser.ISParse8BIMResources(data, static_cast<uint32_t>(size), pass != 2);
        for (const auto& r : parser.m_resources)
            sink = sink + Touch(*r);
        if (const ISPhotoshopResource* r = parser.Find(kPsdResolutionId))
            sink = sink + r->dataSize;
    }
    (void)sink;
    return 0;
}

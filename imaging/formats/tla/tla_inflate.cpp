// zlib calls of the TLA reader.
#include "tla_inflate.h"

CISTLAInflater::~CISTLAInflater()
{
    if (m_ready)
        inflateEnd(&m_stream);
}

bool CISTLAInflater::Init()
{
    m_stream = z_stream{};
    // The macro passes zlib's own version and stream size.
    m_ready = inflateInit(&m_stream) == Z_OK;
    return m_ready;
}

bool CISTLAInflater::Inflate(const BYTE* in, uint32_t inBytes, BYTE* out, uint32_t outBytes, uint32_t* produced)
{
    *produced = 0;
    if (!m_ready)
        return false;
    m_stream.next_in = const_cast<Bytef*>(in);
    m_stream.avail_in = inBytes;
    m_stream.next_out = out;
    m_stream.avail_out = outBytes;
    const int result = inflate(&m_stream, Z_FINISH);
    *produced = outBytes - m_stream.avail_out;
    inflateReset(&m_stream);
    return result == Z_STREAM_END;
}

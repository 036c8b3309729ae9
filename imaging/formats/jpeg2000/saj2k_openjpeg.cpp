// OpenJPEG binding of the JPEG 2000 reader.
#include "saj2k_openjpeg.h"

#include <openjpeg.h>

namespace {

// Big enough that OpenJPEG asks the hook once per 64 KiB, not once a byte.
constexpr OPJ_SIZE_T kStreamBuffer = 64 * 1024;
// The hook takes 32-bit counts; larger reads go in pieces.
constexpr OPJ_SIZE_T kReadChunk = OPJ_SIZE_T(1) << 30;

using HookUser = CSAJ2KCodec::HookStream;

OPJ_SIZE_T HookStreamRead(void* buffer, OPJ_SIZE_T count, void* user)
{
    const HookUser* s = static_cast<const HookUser*>(user);
    OPJ_SIZE_T done = 0;
    while (done < count) {
        OPJ_SIZE_T want = count - done < kReadChunk ? count - done : kReadChunk;
        int32_t got = s->hook->read(s->source, static_cast<BYTE*>(buffer) + done, static_cast<int32_t>(want));
        if (got <= 0)
            break;
        done += static_cast<OPJ_SIZE_T>(got) < want ? static_cast<OPJ_SIZE_T>(got) : want;
        if (static_cast<OPJ_SIZE_T>(got) < want)
            break;
    }
    // OpenJPEG takes (OPJ_SIZE_T)-1 as the end of the stream.
    return done ? done : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_BOOL HookStreamSeek(OPJ_OFF_T offset, void* user)
{
    const HookUser* s = static_cast<const HookUser*>(user);
    if (offset < 0 || offset > INT32_MAX)
        return OPJ_FALSE;
    return s->hook->seek(s->source, static_cast<int32_t>(offset), 0) ? OPJ_TRUE : OPJ_FALSE;
}

OPJ_OFF_T HookStreamSkip(OPJ_OFF_T count, void* user)
{
    const HookUser* s = static_cast<const HookUser*>(user);
    int32_t position = 0;
    if (!s->hook->tell(s->source, &position))
        return -1;
    OPJ_OFF_T target = static_cast<OPJ_OFF_T>(position) + count;
    if (target < 0 || target > INT32_MAX || !s->hook->seek(s->source, static_cast<int32_t>(target), 0))
        return -1;
    return count;
}

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// The library has no place for OpenJPEG's texts; the status code says enough.
void QuietMessage(const char*, void*) {}

SAJ2KColourSpace ColourSpaceOf(OPJ_COLOR_SPACE space)
{
    switch (space) {
    case OPJ_CLRSPC_UNSPECIFIED:
        return kSAJ2KColourUnspecified;
    case OPJ_CLRSPC_SRGB:
        return kSAJ2KColourSRGB;
    case OPJ_CLRSPC_GRAY:
        return kSAJ2KColourGrey;
    case OPJ_CLRSPC_SYCC:
        return kSAJ2KColourSYCC;
    case OPJ_CLRSPC_UNKNOWN:
        return kSAJ2KColourUnknown;
    default:
        return kSAJ2KColourOther;
    }
}

}  // namespace

CSAJ2KCodec::~CSAJ2KCodec() { Close(); }

void CSAJ2KCodec::Close()
{
    if (m_image)
        opj_image_destroy(m_image);
    if (m_codec)
        opj_destroy_codec(m_codec);
    if (m_stream)
        opj_stream_destroy(m_stream);
    m_image = nullptr;
    m_codec = nullptr;
    m_stream = nullptr;
}

int32_t CSAJ2KCodec::OpenStream(const ISExtHookTable* hook, HISSRC source)
{
    Close();
    int32_t position = 0;
    int32_t size = 0;
    if (!hook->tell(source, &position) || !hook->getSize(source, &size) || position < 0 || size < position)
        return 3;
    m_hookStream.hook = hook;
    m_hookStream.source = source;
    opj_stream_t* stream = opj_stream_create(kStreamBuffer, OPJ_TRUE);
    if (!stream)
        return 1;
    opj_stream_set_user_data(stream, &m_hookStream, nullptr);
    opj_stream_set_user_data_length(stream, static_cast<OPJ_UINT64>(size - position));
    opj_stream_set_read_function(stream, HookStreamRead);
    opj_stream_set_seek_function(stream, HookStreamSeek);
    opj_stream_set_skip_function(stream, HookStreamSkip);
    m_stream = stream;
    return 0;
}

bool CSAJ2KCodec::ReadHeader(SAJ2KCodeFormat format)
{
    if (!m_stream)
        return false;
    m_codec = opj_create_decompress(format == kSAJ2KFormatJP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (!m_codec)
        return false;
    opj_set_info_handler(m_codec, QuietMessage, nullptr);
    opj_set_warning_handler(m_codec, QuietMessage, nullptr);
    opj_set_error_handler(m_codec, QuietMessage, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(m_codec, &parameters))
        return false;
    opj_image_t* image = nullptr;
    if (!opj_read_header(m_stream, m_codec, &image)) {
        if (image)
            opj_image_destroy(image);
        return false;
    }
    m_image = image;
    return m_image != nullptr;
}

bool CSAJ2KCodec::Decode()
{
    if (!m_image || !opj_decode(m_codec, m_stream, m_image) || !opj_end_decompress(m_codec, m_stream))
        return false;
    for (OPJ_UINT32 i = 0; i < m_image->numcomps; ++i) {
        if (!m_image->comps[i].data)
            return false;
    }
    return true;
}

void CSAJ2KCodec::Describe(SAJ2KImageInfo* info) const
{
    info->components.clear();
    info->colourSpace = kSAJ2KColourUnspecified;
    info->icc = nullptr;
    info->iccLength = 0;
    if (!m_image)
        return;
    info->colourSpace = ColourSpaceOf(m_image->color_space);
    info->icc = m_image->icc_profile_buf;
    info->iccLength = m_image->icc_profile_buf ? m_image->icc_profile_len : 0;
    info->components.resize(m_image->numcomps);
    for (OPJ_UINT32 i = 0; i < m_image->numcomps; ++i) {
        const opj_image_comp_t& c = m_image->comps[i];
        SAJ2KComponentInfo& out = info->components[i];
        out.dx = c.dx ? c.dx : 1;
        out.dy = c.dy ? c.dy : 1;
        out.width = c.w;
        out.height = c.h;
        // Before decoding the sizes may still be open; the grid gives them.
        if (out.width == 0 && m_image->x1 > m_image->x0)
            out.width = static_cast<uint32_t>(CeilDiv(m_image->x1, out.dx) - CeilDiv(m_image->x0, out.dx));
        if (out.height == 0 && m_image->y1 > m_image->y0)
            out.height = static_cast<uint32_t>(CeilDiv(m_image->y1, out.dy) - CeilDiv(m_image->y0, out.dy));
        out.precision = c.prec;
        out.isSigned = c.sgnd != 0;
        out.isAlpha = c.alpha != 0;
        out.data = c.data;
    }
}

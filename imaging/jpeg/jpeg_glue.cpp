// libjpeg's source, destination and error managers over CISIO.
#include "jpeg_glue.h"

#include "../core/frame.h"

namespace {

struct SourceManager {
    jpeg_source_mgr pub;
    CISIO* source;
    bool startOfFile;
    bool giveBack;
    bool fakeEnd;  // the buffer holds the made-up end-of-image marker
    JOCTET buffer[kISJpegBufferSize];
};

struct DestManager {
    jpeg_destination_mgr pub;
    CISIO* sink;
    JOCTET* buffer;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    ISLogError(text, 9, 3);
    throw ISException(text, 9);
}

// Reached only for warnings and traces that libjpeg chose to show.
void OutputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    ISLogError(text, 9, 2);
}

void InitSource(j_decompress_ptr cinfo)
{
    SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
    src->startOfFile = true;
    src->fakeEnd = false;
}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
    int32_t n = src->source->ReadUpTo(src->buffer, static_cast<int32_t>(kISJpegBufferSize));
    if (n <= 0) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // A made-up end-of-image marker lets libjpeg finish a file cut short.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
        src->fakeEnd = true;
    } else {
        src->fakeEnd = false;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(n);
    src->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* pub = cinfo->src;
    size_t n = static_cast<size_t>(count);
    while (n > pub->bytes_in_buffer) {
        n -= pub->bytes_in_buffer;
        (*pub->fill_input_buffer)(cinfo);
    }
    pub->next_input_byte += n;
    pub->bytes_in_buffer -= n;
}

void TermSource(j_decompress_ptr cinfo)
{
    SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
    if (!src->giveBack || src->fakeEnd || src->pub.bytes_in_buffer == 0)
        return;
    // Bytes read ahead belong to whatever follows the JPEG data.
    src->source->Seek(-static_cast<int32_t>(src->pub.bytes_in_buffer), 1);
    src->pub.bytes_in_buffer = 0;
}

void InitDestination(j_compress_ptr cinfo)
{
    DestManager* dest = reinterpret_cast<DestManager*>(cinfo->dest);
    dest->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kISJpegBufferSize));
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kISJpegBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    DestManager* dest = reinterpret_cast<DestManager*>(cinfo->dest);
    if (!dest->sink->WriteBytes(dest->buffer, static_cast<int32_t>(kISJpegBufferSize)))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kISJpegBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    DestManager* dest = reinterpret_cast<DestManager*>(cinfo->dest);
    size_t used = kISJpegBufferSize - dest->pub.free_in_buffer;
    if (used > 0 && !dest->sink->WriteBytes(dest->buffer, static_cast<int32_t>(used)))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

}  // namespace

jpeg_error_mgr* ISJpegErrorManager(jpeg_error_mgr* err)
{
    jpeg_std_error(err);
    err->error_exit = ErrorExit;
    err->output_message = OutputMessage;
    return err;
}

void ISJpegAttachSource(j_decompress_ptr cinfo, CISIO* source, bool giveBack)
{
    SourceManager* src = static_cast<SourceManager*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(SourceManager)));
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.next_input_byte = nullptr;
    src->pub.bytes_in_buffer = 0;
    src->source = source;
    src->startOfFile = true;
    src->giveBack = giveBack;
    src->fakeEnd = false;
    cinfo->src = &src->pub;
}

void ISJpegAttachDest(j_compress_ptr cinfo, CISIO* sink)
{
    DestManager* dest = static_cast<DestManager*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(DestManager)));
    dest->pub.init_destination = InitDestination;
    dest->pub.empty_output_buffer = EmptyOutputBuffer;
    dest->pub.term_destination = TermDestination;
    dest->pub.next_output_byte = nullptr;
    dest->pub.free_in_buffer = 0;
    dest->sink = sink;
    dest->buffer = nullptr;
    cinfo->dest = &dest->pub;
}

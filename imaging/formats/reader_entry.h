// The frame every interface entry of a format reader or writer shares:
// argument checks, the call-depth guard, the status, exceptions turned into
// codes and one report under the entry's own name. The BMP entries
// (imaging/bmp/bmp_read.cpp) are the example to copy:
//
//   void* is5_ReadXYZ(HISSRC source, uint32_t* w, uint32_t* h, uint32_t bits, RGBQUAD* pal, uint32_t flags)
//   {
//       static const char kName[] = "is5_ReadXYZ";
//       return ISReadEntry(kName, source, w && h, bits, flags, {8, 24}, [&](CISReadCall& call) {
//           CISXyzReader reader;  // parses call.Source(), fills call.Allocate(bytes), sets *w, *h
//           reader.Read(call, pal, w, h);
//           call.m_status = reader.m_status;
//       });
//   }
#pragma once

#include <cstdint>
#include <initializer_list>
#include <new>

#include "../core/buffers.h"
#include "../core/frame.h"
#include "../core/io.h"

// One dims, read or write call in progress (a write's sink is its Source()).
// A failure is either stored in m_status or thrown (ISException, or a plain
// int code).
class CISEntryCall {
public:
    explicit CISEntryCall(CISIO* source) : m_source(source) {}
    CISEntryCall(const CISEntryCall&) = delete;
    CISEntryCall& operator=(const CISEntryCall&) = delete;

    CISIO* Source() const { return m_source; }

    int32_t m_status = 0;

private:
    CISIO* m_source;
};

// A read call: the request and the output buffer. The buffer goes to the
// caller also after a later failure or cancel (rows not read stay zero);
// Discard() makes the result NULL instead.
class CISReadCall : public CISEntryCall {
public:
    CISReadCall(CISIO* source, uint32_t depth, uint32_t flags) : CISEntryCall(source), m_depth(depth), m_flags(flags) {}

    uint32_t Depth() const { return m_depth; }
    uint32_t Flags() const { return m_flags; }
    bool Dib() const { return (m_flags & IS5_DIB) != 0; }

    // A zero-filled output buffer from the output allocator; throws code 1
    // above the allocator's limit or without memory. A second call replaces
    // the first buffer.
    BYTE* Allocate(uint64_t bytes);
    BYTE* Data() const { return m_out.GetData(); }
    void Discard() { m_out.Free(); }
    // Hands the buffer out; the call forgets it.
    void* Release() { return m_out.Release(); }

private:
    uint32_t m_depth;
    uint32_t m_flags;
    CISOutBufAllocator m_out;
};

// Runs `body`; what it throws becomes a code in *status (a thrown 0 becomes
// 17, so a failure never reads as success). False when it threw.
template <typename Body>
bool ISRunCaught(int32_t* status, Body&& body)
{
    int32_t code = 17;
    try {
        body();
        return true;
    } catch (const ISException& e) {
        code = e.Code();
    } catch (int thrown) {
        code = thrown;
    } catch (const std::bad_alloc&) {
        code = 1;
    } catch (...) {
    }
    *status = code != 0 ? code : 17;
    return false;
}

bool ISDepthOffered(uint32_t depth, std::initializer_list<uint32_t> depths);

// A read entry, after the checks of ISBeginEntry (core/io.h). Without IS5_DIB
// a depth outside `depths` is code 5; an empty list lets every depth through,
// for readers whose depth check needs the file. With IS5_DIB the reader's DIB
// path runs whatever the depth says. `body` takes a CISReadCall&.
template <typename Body>
void* ISReadEntry(const char* name, HISSRC source, bool requiredOutsGiven, uint32_t depth, uint32_t flags,
                  std::initializer_list<uint32_t> depths, Body&& body)
{
    CISIO* io = ISBeginEntry(name, source, requiredOutsGiven);
    if (!io)
        return nullptr;
    if (!(flags & IS5_DIB) && depths.size() != 0 && !ISDepthOffered(depth, depths)) {
        ISSetLastError(5, name);
        return nullptr;
    }
    ISCallGuard guard;
    CISReadCall call(io, depth, flags);
    ISRunCaught(&call.m_status, [&] { body(call); });
    if (call.m_status == 0 && !call.Data())
        call.m_status = 17;  // no picture is never success
    ISSetLastError(call.m_status, name);
    return call.Release();
}

// A dims entry: `body` takes a CISEntryCall& and returns BOOL; a thrown
// failure gives FALSE.
template <typename Body>
BOOL ISDimsEntry(const char* name, HISSRC source, bool requiredOutsGiven, Body&& body)
{
    CISIO* io = ISBeginEntry(name, source, requiredOutsGiven);
    if (!io)
        return FALSE;
    ISCallGuard guard;
    CISEntryCall call(io);
    BOOL ok = FALSE;
    if (!ISRunCaught(&call.m_status, [&] { ok = body(call); }))
        ok = FALSE;
    if (call.m_status == 0 && !ok)
        call.m_status = 17;
    ISSetLastError(call.m_status, name);
    return ok;
}

// A write entry: `body` takes a CISEntryCall& whose Source() is the sink and
// returns the size the sink reached, which the entry returns whatever the
// status; a thrown failure gives 0.
template <typename Body>
int32_t ISWriteEntry(const char* name, HISDEST sink, bool requiredGiven, Body&& body)
{
    CISIO* io = ISBeginEntry(name, sink, requiredGiven);
    if (!io)
        return 0;
    ISCallGuard guard;
    CISEntryCall call(io);
    int32_t size = 0;
    if (!ISRunCaught(&call.m_status, [&] { size = body(call); }))
        size = 0;
    ISSetLastError(call.m_status, name);
    return size;
}

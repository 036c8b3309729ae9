// The PNM row readers and the workers behind is5_ReadPNM and is5_GetPNMDims.
#pragma once

#include <cstdint>

#include "../reader_entry.h"
#include "netpbm.h"

// Read flags beyond IS5_DIB.
constexpr uint32_t kPnmRaw = 0x8;           // samples unscaled
constexpr uint32_t kPnmSwap = 0x10;         // colour as B, G, R
constexpr uint32_t kPnmBottomUp = 0x20;     // rows bottom-up
constexpr uint32_t kPnmPadded = 0x80000000u;  // rows padded to 4 bytes

// Turns the subset's rows into output rows; one object per read.
class CISPNMReader {
public:
    virtual int32_t Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval, bool swap,
                         bool sixteen, bool raw);
    virtual ~CISPNMReader();
    virtual BOOL ReadRow(BYTE* out) = 0;

protected:
    // A sample as stored: cut to the width when raw, else clamped to maxval
    // and scaled to full range.
    uint32_t Scale(isnetpbm::gray value) const
    {
        if (m_raw)
            return value;
        return m_scale[value > m_maxval ? m_maxval : value];
    }

    ISNetpbmIO* m_table = nullptr;
    uint32_t m_width = 0;
    uint32_t m_depth = 0;
    int m_magic = 0;
    uint32_t m_maxval = 0;
    BYTE m_swap = 0;
    BYTE m_sixteen = 0;
    BYTE m_raw = 0;
    uint16_t* m_scale = nullptr;  // maxval + 1 entries
};

class CISPNMPlusReaderMono : public CISPNMReader {
public:
    int32_t Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval, bool swap,
                 bool sixteen, bool raw) override;
    ~CISPNMPlusReaderMono() override;
    BOOL ReadRow(BYTE* out) override;

private:
    isnetpbm::bit* m_row = nullptr;
    BYTE* m_bytes = nullptr;
};

class CISPNMPlusReaderGray : public CISPNMReader {
public:
    int32_t Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval, bool swap,
                 bool sixteen, bool raw) override;
    ~CISPNMPlusReaderGray() override;
    BOOL ReadRow(BYTE* out) override;

private:
    isnetpbm::gray* m_row = nullptr;
};

class CISPNMReaderColor : public CISPNMReader {
public:
    int32_t Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval, bool swap,
                 bool sixteen, bool raw) override;
    ~CISPNMReaderColor() override;
    BOOL ReadRow(BYTE* out) override;

private:
    isnetpbm::pixel* m_row = nullptr;
};

// The status lands in `status`; the buffer (or null) is in the call.
void ISReadPNM(CISReadCall& call, uint32_t* width, uint32_t* height, int32_t* status);
BOOL ISGetPNMDims(CISIO* source, uint32_t* width, uint32_t* height, uint32_t* value, uint32_t* magic,
                  int32_t* status);

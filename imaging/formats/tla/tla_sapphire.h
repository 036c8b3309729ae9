// The Sapphire II stream cipher and hash that protected TLA files use. Every
// value is a byte: card values, indices and sums wrap at 256.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../../platform/winshim.h"

class CISSapphire {
public:
    CISSapphire();

    // A state keyed with `key` (at least one byte).
    void SetKey(const BYTE* key, uint32_t length);

    void HashInit();
    void HashUpdate(const BYTE* data, size_t count);
    // The digest; the state is spent afterwards.
    void HashFinal(BYTE* hash, uint32_t length);

    BYTE Encipher(BYTE plain);
    BYTE Decipher(BYTE cipher);
    void Decipher(BYTE* data, size_t count);

    // Forgets the indices (the cards stay until the next key).
    void Clear();

private:
    BYTE KeyRand(uint32_t limit, const BYTE* key, uint32_t length, uint32_t* position, BYTE* rsum);
    // Moves the state on by one byte and gives that byte's keystream.
    BYTE Step();

    BYTE m_cards[256];
    BYTE m_rotor = 0;
    BYTE m_ratchet = 0;
    BYTE m_avalanche = 0;
    BYTE m_lastPlain = 0;
    BYTE m_lastCipher = 0;
};

// Sapphire II: key setup, the keystream, and the hash built on enciphering.
#include "tla_sapphire.h"

#include <cstring>

CISSapphire::CISSapphire()
{
    std::memset(m_cards, 0, sizeof m_cards);
}

BYTE CISSapphire::KeyRand(uint32_t limit, const BYTE* key, uint32_t length, uint32_t* position, BYTE* rsum)
{
    uint32_t mask = 1;
    while (mask < limit)
        mask = (mask << 1) + 1;
    uint32_t tries = 0;
    uint32_t u;
    do {
        *rsum = BYTE(m_cards[*rsum] + key[*position]);
        if (++*position == length) {
            *position = 0;
            *rsum = BYTE(*rsum + length);
        }
        u = *rsum & mask;
        // Bounded retries: a key can otherwise keep missing a small limit.
        if (++tries > 11)
            u %= limit;
    } while (u > limit);
    return BYTE(u);
}

void CISSapphire::SetKey(const BYTE* key, uint32_t length)
{
    for (int i = 0; i < 256; ++i)
        m_cards[i] = BYTE(i);
    BYTE rsum = 0;
    uint32_t position = 0;
    if (length > 0) {
        for (uint32_t i = 255; i >= 1; --i) {
            const BYTE j = KeyRand(i, key, length, &position, &rsum);
            const BYTE t = m_cards[i];
            m_cards[i] = m_cards[j];
            m_cards[j] = t;
        }
    }
    m_rotor = m_cards[1];
    m_ratchet = m_cards[3];
    m_avalanche = m_cards[5];
    m_lastPlain = m_cards[7];
    m_lastCipher = m_cards[rsum];
}

void CISSapphire::HashInit()
{
    m_rotor = 1;
    m_ratchet = 3;
    m_avalanche = 5;
    m_lastPlain = 7;
    m_lastCipher = 11;
    for (int i = 0; i < 256; ++i)
        m_cards[i] = BYTE(255 - i);
}

void CISSapphire::HashUpdate(const BYTE* data, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        Encipher(data[i]);
}

void CISSapphire::HashFinal(BYTE* hash, uint32_t length)
{
    for (int i = 255; i >= 0; --i)
        Encipher(BYTE(i));
    for (uint32_t i = 0; i < length; ++i)
        hash[i] = Encipher(0);
}

namespace {

// One byte's move of the cards and indices, and its keystream byte. Works on
// the caller's copies, so that a loop over many bytes keeps them in registers.
inline BYTE Advance(BYTE* c, BYTE& rotor, BYTE& ratchet, BYTE& avalanche, BYTE lastPlain, BYTE lastCipher)
{
    ratchet = BYTE(ratchet + c[rotor]);
    rotor = BYTE(rotor + 1);
    const BYTE t = c[lastCipher];
    c[lastCipher] = c[ratchet];
    c[ratchet] = c[lastPlain];
    c[lastPlain] = c[rotor];
    c[rotor] = t;
    avalanche = BYTE(avalanche + c[t]);
    return BYTE(c[BYTE(c[ratchet] + c[rotor])] ^ c[c[BYTE(c[lastPlain] + c[lastCipher] + c[avalanche])]]);
}

}  // namespace

BYTE CISSapphire::Step()
{
    return Advance(m_cards, m_rotor, m_ratchet, m_avalanche, m_lastPlain, m_lastCipher);
}

BYTE CISSapphire::Encipher(BYTE plain)
{
    const BYTE cipher = BYTE(plain ^ Step());
    m_lastPlain = plain;
    m_lastCipher = cipher;
    return cipher;
}

BYTE CISSapphire::Decipher(BYTE cipher)
{
    const BYTE plain = BYTE(cipher ^ Step());
    m_lastCipher = cipher;
    m_lastPlain = plain;
    return plain;
}

void CISSapphire::Decipher(BYTE* data, size_t count)
{
    BYTE rotor = m_rotor, ratchet = m_ratchet, avalanche = m_avalanche;
    BYTE lastPlain = m_lastPlain, lastCipher = m_lastCipher;
    for (size_t i = 0; i < count; ++i) {
        const BYTE k = Advance(m_cards, rotor, ratchet, avalanche, lastPlain, lastCipher);
        lastCipher = data[i];
        lastPlain = BYTE(lastCipher ^ k);
        data[i] = lastPlain;
    }
    m_rotor = rotor;
    m_ratchet = ratchet;
    m_avalanche = avalanche;
    m_lastPlain = lastPlain;
    m_lastCipher = lastCipher;
}

void CISSapphire::Clear()
{
    m_rotor = m_ratchet = m_avalanche = m_lastPlain = m_lastCipher = 0;
}

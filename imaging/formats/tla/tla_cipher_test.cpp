// The cipher of protected files against its known answers, as the C++ code
// and the test writer (gen_tla.py, known_answers.txt) compute them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/formats/tla/tla_sapphire.h"
#include "tla_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex)
{
    Bytes out;
    std::istringstream in(hex);
    std::string pair;
    while (in >> pair)
        out.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}

std::string ToHex(const Bytes& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

const Bytes kHashAbc =
    FromHex("4a cf 17 d9 11 78 15 71 f0 53 ce 82 e2 f7 0c ce 54 70 f4 10 b7 17 b9 a6 99 06 38 14 b6 df 1f 32");
const Bytes kZerosEnciphered = FromHex("76 bf 1f 7a e8 d2 e8 e7 2b 69 20 32 93 19 3f 97");

Bytes Hash(const std::string& text)
{
    CISSapphire s;
    s.HashInit();
    s.HashUpdate(reinterpret_cast<const BYTE*>(text.data()), text.size());
    Bytes out(32);
    s.HashFinal(out.data(), 32);
    return out;
}

TEST(TlaCipher, HashOfAbcIsTheKnownAnswer) { EXPECT_EQ(ToHex(kHashAbc), ToHex(Hash("abc"))); }

TEST(TlaCipher, KeyedWithThatHashSixteenZerosEncipherToTheKnownAnswer)
{
    CISSapphire s;
    s.SetKey(kHashAbc.data(), 32);
    Bytes out;
    for (int i = 0; i < 16; ++i)
        out.push_back(s.Encipher(0));
    EXPECT_EQ(ToHex(kZerosEnciphered), ToHex(out));
}

TEST(TlaCipher, AFreshStateDeciphersThemToZerosByteAndBufferAlike)
{
    CISSapphire byByte, byBuffer;
    byByte.SetKey(kHashAbc.data(), 32);
    byBuffer.SetKey(kHashAbc.data(), 32);
    Bytes one, all = kZerosEnciphered;
    for (uint8_t b : kZerosEnciphered)
        one.push_back(byByte.Decipher(b));
    byBuffer.Decipher(all.data(), all.size());
    EXPECT_EQ(Bytes(16, 0), one);
    EXPECT_EQ(Bytes(16, 0), all);
}

TEST(TlaCipher, TheTestWriterComputesTheSameAnswers)
{
    const tlat::Bytes text = tlat::Fixture("known_answers.txt");
    std::istringstream in(std::string(text.begin(), text.end()));
    std::string name, value, hash, cipher, plain;
    while (in >> name >> value) {
        if (name == "hash")
            hash = value;
        else if (name == "cipher")
            cipher = value;
        else if (name == "plain")
            plain = value;
    }
    EXPECT_EQ(ToHex(kHashAbc), hash);
    EXPECT_EQ(ToHex(kZerosEnciphered), cipher);
    EXPECT_EQ(std::string(32, '0'), plain);
}

}  // namespace

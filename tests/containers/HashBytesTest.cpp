#include "containers/HashBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using kz::common::HashBytes1;
using kz::common::HashBytes2;
using kz::common::HashWord1;
using kz::common::HashWord2;

namespace {

struct Case {
    std::uint32_t key;
    std::uint32_t seed;
    std::uint32_t hash1;
    std::uint32_t hash2;
};

void ExpectHashes(const Case& c)
{
    // Keys are hashed as their little-endian bytes.
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(c.key), static_cast<unsigned char>(c.key >> 8),
        static_cast<unsigned char>(c.key >> 16), static_cast<unsigned char>(c.key >> 24)};
    EXPECT_EQ(c.hash1, HashBytes1(bytes, c.seed, 4)) << std::hex << "key 0x" << c.key << " seed 0x" << c.seed;
    EXPECT_EQ(c.hash2, HashBytes2(bytes, c.seed, 4)) << std::hex << "key 0x" << c.key << " seed 0x" << c.seed;
}

} // namespace

TEST(HashBytesValues, SmallKeysAndSeeds)
{
    ExpectHashes({1, 0, 0x7bb2bda4, 0x2e86d0bf});
    ExpectHashes({2, 0, 0x7bb462c7, 0x5d0da17e});
    ExpectHashes({1, 1, 0x8f720185, 0xd198827e});
    ExpectHashes({0, 0, 0x7bb34a05, 0x00000000});
}

TEST(HashBytesValues, SeedBytesAreSignExtended)
{
    ExpectHashes({5, 200, 0x20eaefe8, 0x3cc331f3});
    ExpectHashes({0x12345678, 0x80000000, 0x7c12c98d, 0x038f9b3c});
    ExpectHashes({7, 0xffffffff, 0x1d3c4d22, 0x725a54b9});
}

TEST(HashBytesValues, DataBytesAreUnsigned)
{
    ExpectHashes({0xff, 0, 0x7c168a9a, 0x5849ee41});
    ExpectHashes({0x80000000, 0, 0x7bb34a85, 0x00000080});
    const unsigned char byte = 0xff;
    EXPECT_EQ(0x07ff00dau, HashBytes1(&byte, 0, 1));
    EXPECT_EQ(0x000000ffu, HashBytes2(&byte, 0, 1));
}

TEST(HashBytesValues, EmptyDataHashesTheSeedOnly)
{
    EXPECT_EQ(0x7c5d0f85u, HashBytes1(nullptr, 0, 0));
    EXPECT_EQ(0x00000000u, HashBytes2(nullptr, 0, 0));
    EXPECT_EQ(0x83855405u, HashBytes1(nullptr, 0x80, 0));
    EXPECT_EQ(0xbc97a080u, HashBytes2(nullptr, 0x80, 0));
}

// The table hashes 32-bit keys with inline word versions of the two hashes;
// they must agree with the byte hashes on every seed byte's sign and every
// data byte at every place.
TEST(HashBytesValues, WordHashesAgreeWithTheByteHashes)
{
    std::vector<std::uint32_t> seeds;
    for (std::uint32_t seed = 0; seed < 0x120; ++seed)
        seeds.push_back(seed);
    for (unsigned place = 0; place < 4; ++place) {
        seeds.push_back(0x80u << (8 * place));
        seeds.push_back(0xFFu << (8 * place));
        seeds.push_back(0x7Fu << (8 * place));
    }
    seeds.push_back(0xFFFFFFFFu);
    seeds.push_back(0x12345678u);

    std::vector<std::uint32_t> keys = {0u, 0xFFFFFFFFu, 0x80808080u, 0x7F7F7F7Fu};
    for (std::uint32_t byte = 1; byte < 0x100; ++byte) {
        for (unsigned place = 0; place < 4; ++place)
            keys.push_back(byte << (8 * place));
    }
    std::mt19937 random(9u);
    for (int i = 0; i < 500; ++i)
        keys.push_back(random());

    for (std::uint32_t seed : seeds) {
        for (std::uint32_t key : keys) {
            const unsigned char bytes[4] = {
                static_cast<unsigned char>(key), static_cast<unsigned char>(key >> 8),
                static_cast<unsigned char>(key >> 16), static_cast<unsigned char>(key >> 24)};
            ASSERT_EQ(HashBytes1(bytes, seed, 4), HashWord1(key, seed)) << std::hex << "key 0x" << key << " seed 0x" << seed;
            ASSERT_EQ(HashBytes2(bytes, seed, 4), HashWord2(key, seed)) << std::hex << "key 0x" << key << " seed 0x" << seed;
        }
    }
}

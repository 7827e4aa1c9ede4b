#pragma once

// The bytes of the save-game folder's files (README.md in this folder): the
// catalog, an index that can always be rebuilt, and the data files, each of
// which describes itself. Both carry checksums, so that damage is found
// instead of read.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace devlauncher {

// The largest save game and name the folder holds; larger ones are refused
// when written, so that nothing written is lost when read.
constexpr std::uint32_t MaxSavegameSize = 64u << 20;
constexpr std::uint32_t MaxNameUnits = 0x10000;
// The largest catalog this launcher writes or reads; a writer is refused
// while the catalog might not hold one more save game with the longest name.
constexpr size_t MaxCatalogSize = 64u << 20;
// A catalog entry with the longest name.
constexpr size_t MaxCatalogEntrySize = 24 + 2 * size_t(MaxNameUnits);
// The largest data file: a save game and what describes it.
constexpr size_t MaxDataFileSize = MaxSavegameSize + 40 + 2 * size_t(MaxNameUnits);

struct SavegameEntry {
    unsigned ProductId = 0;
    unsigned SavegameId = 0;
    unsigned Size = 0;
    // UTF-16 with its terminating NUL.
    std::vector<unsigned short> Name{0};
    // Which data file holds the bytes; 0: the raw "<product>-<id>.sav" of a
    // catalog of version 1.
    std::uint32_t Generation = 0;
    std::uint32_t Checksum = 0; // of the bytes, as the data file states it

    // The same save game as a game sees it (generation and checksum aside).
    bool operator==(const SavegameEntry& other) const;
};

struct Catalog {
    // Each data file written gets a generation of its own, at least this one
    // (0: no bound, after 0xFFFFFFFF was given).
    std::uint32_t NextGeneration = 1;
    std::vector<SavegameEntry> Entries;
};

std::vector<unsigned char> EncodeCatalog(const Catalog& catalog);
// What EncodeCatalog makes of an entry, and of the whole catalog, in bytes.
size_t EncodedSize(const SavegameEntry& entry);
size_t EncodedSize(const Catalog& catalog);
// False when the bytes fail a check: magic, version, lengths or checksum.
bool DecodeCatalog(const std::vector<unsigned char>& bytes, Catalog& catalog);

// What precedes the bytes in a data file; entry.Checksum is that of data.
std::vector<unsigned char> EncodeDataHeader(const SavegameEntry& entry);
// Takes the header off file, leaving the save game's bytes; false when the
// file fails a check, the bytes' checksum included.
bool DecodeDataFile(std::vector<unsigned char>& file, SavegameEntry& entry);

} // namespace devlauncher

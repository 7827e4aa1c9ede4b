#include "SavegameFormat.h"

#include "Checksum.h"

#include <algorithm>

namespace devlauncher {

namespace {

const unsigned char CatalogMagic[4] = {'T', 'D', 'L', 'C'};
const unsigned char DataMagic[4] = {'T', 'D', 'L', 'S'};
constexpr std::uint32_t OldCatalogVersion = 1; // no generations, no checksum
constexpr std::uint32_t CatalogVersion = 2;
constexpr std::uint32_t DataVersion = 1;

// Little-endian whatever the machine.
void PutWord(std::vector<unsigned char>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutName(std::vector<unsigned char>& out, const std::vector<unsigned short>& name)
{
    const std::uint32_t units = std::uint32_t(name.size() - 1);
    PutWord(out, units);
    for (std::uint32_t unit = 0; unit < units; ++unit) {
        out.push_back(static_cast<unsigned char>(name[unit]));
        out.push_back(static_cast<unsigned char>(name[unit] >> 8));
    }
}

// The fields a catalog entry and a data file's header share, in that order.
void PutEntry(std::vector<unsigned char>& out, const SavegameEntry& entry)
{
    PutWord(out, entry.ProductId);
    PutWord(out, entry.SavegameId);
    PutWord(out, entry.Generation);
    PutWord(out, entry.Size);
    PutWord(out, entry.Checksum);
    PutName(out, entry.Name);
}

void PutChecksum(std::vector<unsigned char>& out)
{
    PutWord(out, Crc32(out.data(), out.size()));
}

// Reads words from a buffer, failing at its end instead of past it.
class Cursor {
public:
    Cursor(const std::vector<unsigned char>& bytes, size_t end) : m_bytes(bytes), m_end(end) {}

    bool Magic(const unsigned char (&magic)[4])
    {
        if (m_end - m_at < 4 || !std::equal(magic, magic + 4, m_bytes.begin() + long(m_at)))
            return false;
        m_at += 4;
        return true;
    }

    bool Word(std::uint32_t& value)
    {
        if (m_end - m_at < 4)
            return false;
        const unsigned char* p = &m_bytes[m_at];
        value = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        m_at += 4;
        return true;
    }

    bool Name(std::vector<unsigned short>& name)
    {
        std::uint32_t units;
        if (!Word(units) || units > MaxNameUnits || (m_end - m_at) / 2 < units)
            return false;
        name.assign(units + 1, 0);
        for (std::uint32_t unit = 0; unit < units; ++unit, m_at += 2)
            name[unit] = static_cast<unsigned short>(m_bytes[m_at] | m_bytes[m_at + 1] << 8);
        return true;
    }

    // What PutEntry wrote.
    bool Entry(SavegameEntry& entry)
    {
        return Word(entry.ProductId) && Word(entry.SavegameId) && Word(entry.Generation) && Word(entry.Size) &&
               entry.Size <= MaxSavegameSize && Word(entry.Checksum) && Name(entry.Name);
    }

    // The checksum of everything before it.
    bool Checksum()
    {
        std::uint32_t stated;
        const size_t covered = m_at;
        return Word(stated) && stated == Crc32(m_bytes.data(), covered);
    }

    size_t At() const { return m_at; }
    bool AtEnd() const { return m_at == m_end; }

private:
    const std::vector<unsigned char>& m_bytes;
    size_t m_end;
    size_t m_at = 0;
};

} // namespace

bool SavegameEntry::operator==(const SavegameEntry& other) const
{
    return ProductId == other.ProductId && SavegameId == other.SavegameId && Size == other.Size &&
           Name == other.Name;
}

std::vector<unsigned char> EncodeCatalog(const Catalog& catalog)
{
    std::vector<unsigned char> bytes(CatalogMagic, CatalogMagic + 4);
    PutWord(bytes, CatalogVersion);
    PutWord(bytes, catalog.NextGeneration);
    PutWord(bytes, std::uint32_t(catalog.Entries.size()));
    for (const SavegameEntry& entry : catalog.Entries)
        PutEntry(bytes, entry);
    PutChecksum(bytes);
    return bytes;
}

size_t EncodedSize(const SavegameEntry& entry)
{
    return 24 + 2 * (entry.Name.size() - 1);
}

size_t EncodedSize(const Catalog& catalog)
{
    size_t size = 20; // magic, version, next generation, count, checksum
    for (const SavegameEntry& entry : catalog.Entries)
        size += EncodedSize(entry);
    return size;
}

bool DecodeCatalog(const std::vector<unsigned char>& bytes, Catalog& catalog)
{
    Cursor in(bytes, bytes.size());
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    catalog = Catalog();
    if (!in.Magic(CatalogMagic) || !in.Word(version) ||
        (version != OldCatalogVersion && version != CatalogVersion))
        return false;
    if (version == CatalogVersion && !in.Word(catalog.NextGeneration))
        return false;
    // Each entry takes at least 16 bytes: a damaged count must not reserve more.
    if (!in.Word(count) || count > bytes.size() / 16)
        return false;
    catalog.Entries.resize(count);
    for (SavegameEntry& entry : catalog.Entries) {
        const bool read = version == CatalogVersion
                              ? in.Entry(entry)
                              : in.Word(entry.ProductId) && in.Word(entry.SavegameId) && in.Word(entry.Size) &&
                                    in.Name(entry.Name);
        if (!read)
            return false;
    }
    if (version == CatalogVersion && !in.Checksum())
        return false;
    return in.AtEnd();
}

std::vector<unsigned char> EncodeDataHeader(const SavegameEntry& entry)
{
    std::vector<unsigned char> bytes(DataMagic, DataMagic + 4);
    PutWord(bytes, DataVersion);
    PutEntry(bytes, entry);
    PutChecksum(bytes);
    return bytes;
}

bool DecodeDataFile(std::vector<unsigned char>& file, SavegameEntry& entry)
{
    Cursor in(file, file.size());
    std::uint32_t version = 0;
    if (!in.Magic(DataMagic) || !in.Word(version) || version != DataVersion || !in.Entry(entry) ||
        !in.Checksum())
        return false;
    if (file.size() - in.At() != entry.Size)
        return false;
    file.erase(file.begin(), file.begin() + long(in.At()));
    return Crc32(file.data(), file.size()) == entry.Checksum;
}

} // namespace devlauncher

#include "SavegameStore.h"

#include "FileSystem.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace devlauncher {

namespace {

const char CatalogName[] = "catalog.bin";
const unsigned char CatalogMagic[4] = {'T', 'D', 'L', 'C'};
constexpr std::uint32_t CatalogVersion = 1;
// Guards a damaged catalog against a huge allocation.
constexpr std::uint32_t MaxNameUnits = 0x10000;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The catalog is little-endian whatever the machine.
void PutWord(std::vector<unsigned char>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

bool GetWord(std::FILE* file, std::uint32_t& value)
{
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, file) != 4)
        return false;
    value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
            std::uint32_t(bytes[3]) << 24;
    return true;
}

// Writes through a temporary file, so that a crash leaves the old or the new
// content, never a mix.
bool WriteWhole(const std::string& path, const std::vector<unsigned char>& bytes)
{
    const std::string temporary = path + ".tmp";
    {
        File file(OpenFile(temporary, "wb"));
        if (!file)
            return false;
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
            return false;
        if (std::fflush(file.get()) != 0)
            return false;
    }
    return MoveOver(temporary, path);
}

bool SameSavegame(const SavegameEntry& entry, unsigned productId, unsigned savegameId)
{
    return entry.ProductId == productId && entry.SavegameId == savegameId;
}

} // namespace

bool SavegameEntry::operator==(const SavegameEntry& other) const
{
    return ProductId == other.ProductId && SavegameId == other.SavegameId && Size == other.Size &&
           Name == other.Name;
}

SavegameStore::SavegameStore(std::string folder) : m_folder(std::move(folder))
{
    LoadCatalog();
}

std::vector<SavegameEntry> SavegameStore::List(unsigned productId) const
{
    std::vector<SavegameEntry> list;
    for (const SavegameEntry& entry : m_entries)
        if (entry.ProductId == productId)
            list.push_back(entry);
    std::sort(list.begin(), list.end(),
              [](const SavegameEntry& a, const SavegameEntry& b) { return a.SavegameId < b.SavegameId; });
    return list;
}

const SavegameEntry* SavegameStore::Find(unsigned productId, unsigned savegameId) const
{
    for (const SavegameEntry& entry : m_entries)
        if (SameSavegame(entry, productId, savegameId))
            return &entry;
    return nullptr;
}

bool SavegameStore::Read(unsigned productId, unsigned savegameId, std::vector<unsigned char>& data) const
{
    const SavegameEntry* entry = Find(productId, savegameId);
    if (entry == nullptr)
        return false;
    File file(OpenFile(DataPath(productId, savegameId), "rb"));
    if (!file)
        return false;
    data.assign(entry->Size, 0);
    return data.empty() || std::fread(data.data(), 1, data.size(), file.get()) == data.size();
}

bool SavegameStore::Write(unsigned productId, unsigned savegameId, const std::vector<unsigned short>& name,
                          const std::vector<unsigned char>& data)
{
    if (!MakeDirectories(m_folder) || !WriteWhole(DataPath(productId, savegameId), data))
        return false;
    SavegameEntry written;
    written.ProductId = productId;
    written.SavegameId = savegameId;
    written.Size = unsigned(data.size());
    written.Name = name;
    if (written.Name.empty() || written.Name.back() != 0)
        written.Name.push_back(0);
    auto same = [&](const SavegameEntry& entry) { return SameSavegame(entry, productId, savegameId); };
    auto found = std::find_if(m_entries.begin(), m_entries.end(), same);
    if (found != m_entries.end())
        *found = written;
    else
        m_entries.push_back(written);
    m_reserved.erase(std::remove_if(m_reserved.begin(), m_reserved.end(), same), m_reserved.end());
    return SaveCatalog();
}

bool SavegameStore::Remove(unsigned productId, unsigned savegameId)
{
    auto found = std::find_if(m_entries.begin(), m_entries.end(), [&](const SavegameEntry& entry) {
        return SameSavegame(entry, productId, savegameId);
    });
    if (found == m_entries.end())
        return false;
    m_entries.erase(found);
    // The catalog decides what exists; a data file left behind is only wasted space.
    const bool saved = SaveCatalog();
    RemoveFile(DataPath(productId, savegameId));
    return saved;
}

unsigned SavegameStore::NewSavegameId(unsigned productId)
{
    unsigned highest = 0;
    for (const auto* entries : {&m_entries, &m_reserved})
        for (const SavegameEntry& entry : *entries)
            if (entry.ProductId == productId)
                highest = std::max(highest, entry.SavegameId);
    SavegameEntry reserved;
    reserved.ProductId = productId;
    reserved.SavegameId = highest + 1;
    m_reserved.push_back(reserved);
    return reserved.SavegameId;
}

std::string SavegameStore::DataPath(unsigned productId, unsigned savegameId) const
{
    return JoinPath(m_folder, std::to_string(productId) + "-" + std::to_string(savegameId) + ".sav");
}

void SavegameStore::LoadCatalog()
{
    File file(OpenFile(JoinPath(m_folder, CatalogName), "rb"));
    if (!file)
        return;
    unsigned char magic[4];
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    if (std::fread(magic, 1, 4, file.get()) != 4 || !std::equal(magic, magic + 4, CatalogMagic) ||
        !GetWord(file.get(), version) || version != CatalogVersion || !GetWord(file.get(), count))
        return;
    // A truncated catalog keeps the entries read whole.
    for (std::uint32_t i = 0; i < count; ++i) {
        SavegameEntry entry;
        std::uint32_t units = 0;
        if (!GetWord(file.get(), entry.ProductId) || !GetWord(file.get(), entry.SavegameId) ||
            !GetWord(file.get(), entry.Size) || !GetWord(file.get(), units) || units > MaxNameUnits)
            return;
        entry.Name.assign(units + 1, 0);
        for (std::uint32_t unit = 0; unit < units; ++unit) {
            unsigned char bytes[2];
            if (std::fread(bytes, 1, 2, file.get()) != 2)
                return;
            entry.Name[unit] = static_cast<unsigned short>(bytes[0] | bytes[1] << 8);
        }
        m_entries.push_back(entry);
    }
}

bool SavegameStore::SaveCatalog() const
{
    std::vector<unsigned char> bytes(CatalogMagic, CatalogMagic + 4);
    PutWord(bytes, CatalogVersion);
    PutWord(bytes, std::uint32_t(m_entries.size()));
    for (const SavegameEntry& entry : m_entries) {
        PutWord(bytes, entry.ProductId);
        PutWord(bytes, entry.SavegameId);
        PutWord(bytes, entry.Size);
        const std::uint32_t units = std::uint32_t(entry.Name.size() - 1);
        PutWord(bytes, units);
        for (std::uint32_t unit = 0; unit < units; ++unit) {
            bytes.push_back(static_cast<unsigned char>(entry.Name[unit]));
            bytes.push_back(static_cast<unsigned char>(entry.Name[unit] >> 8));
        }
    }
    return MakeDirectories(m_folder) && WriteWhole(JoinPath(m_folder, CatalogName), bytes);
}

} // namespace devlauncher

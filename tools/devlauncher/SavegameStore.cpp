#include "SavegameStore.h"

#include "Checksum.h"

#include <algorithm>
#include <new>
#include <set>

namespace devlauncher {

namespace {

const char CatalogName[] = "catalog.bin";
const char LockName[] = "folder.lock";
const std::string TemporarySuffix = ".tmp";
const std::string DataSuffix = ".sav";
const std::string WriterSuffix = ".writer";
const std::string DamagedSuffix = ".damaged";

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A decimal number at text[at], as this launcher writes them; at moves past it.
bool ParseNumber(const std::string& text, size_t& at, std::uint32_t& value)
{
    const size_t start = at;
    std::uint64_t number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 10)
        number = number * 10 + unsigned(text[at++] - '0');
    value = std::uint32_t(number);
    return at != start && number <= 0xFFFFFFFFu;
}

// Every file of a save game starts with "<product>-<id>"; rest is what follows.
bool SplitName(const std::string& name, unsigned& productId, unsigned& savegameId, std::string& rest)
{
    size_t at = 0;
    std::uint32_t product, id;
    if (!ParseNumber(name, at, product) || at >= name.size() || name[at++] != '-' || !ParseNumber(name, at, id))
        return false;
    productId = product;
    savegameId = id;
    rest = name.substr(at);
    return rest.empty() || rest[0] == '-' || rest[0] == '.';
}

// A data file's generation: rest is "-<generation>.sav", or ".sav" (generation 0) for a catalog of version 1.
bool DataGeneration(const std::string& rest, std::uint32_t& generation)
{
    if (rest == DataSuffix) {
        generation = 0;
        return true;
    }
    size_t at = 1;
    return !rest.empty() && rest[0] == '-' && ParseNumber(rest, at, generation) && generation != 0 &&
           rest.substr(at) == DataSuffix;
}

std::string BaseName(unsigned productId, unsigned savegameId)
{
    return std::to_string(productId) + "-" + std::to_string(savegameId);
}

std::string DataName(const SavegameEntry& entry)
{
    const std::string base = BaseName(entry.ProductId, entry.SavegameId);
    return entry.Generation == 0 ? base + DataSuffix : base + "-" + std::to_string(entry.Generation) + DataSuffix;
}

std::string WriterName(unsigned productId, unsigned savegameId)
{
    return BaseName(productId, savegameId) + WriterSuffix;
}

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

template <typename CatalogType>
auto FindEntry(CatalogType& catalog, unsigned productId, unsigned savegameId) -> decltype(catalog.Entries.begin())
{
    return std::find_if(catalog.Entries.begin(), catalog.Entries.end(), [&](const SavegameEntry& entry) {
        return entry.ProductId == productId && entry.SavegameId == savegameId;
    });
}

// A new data file's generation: above every one a data file in the folder
// names, so that a catalog put back from a copy cannot make it look older than
// what it replaces, and never a name used before. Past 0xFFFFFFFF, above those
// of the same save game (only they are ever compared); 0 when those are used up.
std::uint32_t NewGeneration(const Catalog& catalog, const std::vector<std::string>& names, unsigned productId,
                            unsigned savegameId)
{
    std::uint32_t highest = catalog.NextGeneration == 0 ? 0 : catalog.NextGeneration - 1, own = 0;
    for (const std::string& name : names) {
        unsigned product, id;
        std::string rest;
        std::uint32_t generation;
        if (!SplitName(name, product, id, rest) || !DataGeneration(rest, generation))
            continue;
        highest = std::max(highest, generation);
        if (product == productId && id == savegameId)
            own = std::max(own, generation);
    }
    if (highest != 0xFFFFFFFFu)
        return highest + 1;
    return own != 0xFFFFFFFFu ? own + 1 : 0;
}

// Whether the catalog stays within its limit whatever names the open writers
// and one more, of savegameId, give: each may add an entry with the longest
// name, or lengthen the one it replaces to that.
bool CatalogHasRoom(const Catalog& catalog, const std::vector<std::string>& names, unsigned productId,
                    unsigned savegameId)
{
    auto growth = [&](unsigned product, unsigned id) {
        auto found = FindEntry(catalog, product, id);
        return MaxCatalogEntrySize - (found == catalog.Entries.end() ? 0 : EncodedSize(*found));
    };
    std::uint64_t size = EncodedSize(catalog) + growth(productId, savegameId);
    for (const std::string& name : names) {
        unsigned product, id;
        std::string rest;
        if (SplitName(name, product, id, rest) && rest == WriterSuffix)
            size += growth(product, id);
    }
    return size <= MaxCatalogSize;
}

} // namespace

SavegameStore::SavegameStore(std::string folder, FileSystem& fileSystem)
    : m_folder(std::move(folder)), m_files(fileSystem)
{
    Locked locked;
    if (Open(locked, false) == Opened::Yes)
        RemoveLeftovers(locked);
}

std::string SavegameStore::PathOf(const std::string& name) const
{
    return JoinPath(m_folder, name);
}

SavegameStore::Opened SavegameStore::Open(Locked& locked, bool create)
{
    if (create && !m_files.MakeDirectories(m_folder))
        return Opened::Failed;
    locked.Lock = m_files.LockFile(PathOf(LockName), true);
    if (locked.Lock == nullptr) {
        // A folder that lists exists: its save games are there, out of reach.
        std::vector<std::string> names;
        return m_files.ListFolder(m_folder, names) ? Opened::Failed : Opened::NoFolder;
    }
    return Load(locked) ? Opened::Yes : Opened::Failed;
}

bool SavegameStore::Load(Locked& locked)
{
    if (!m_files.ListFolder(m_folder, locked.Names))
        return false;
    std::vector<unsigned char> bytes;
    const ReadResult read = m_files.ReadFile(PathOf(CatalogName), bytes, MaxCatalogSize);
    if (read == ReadResult::Failed)
        return false;
    if (read == ReadResult::Read && DecodeCatalog(bytes, locked.Index)) {
        // A data file removed is a save game removed, whatever the catalog says.
        auto& entries = locked.Index.Entries;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const SavegameEntry& entry) {
                                         return !Contains(locked.Names, DataName(entry));
                                     }),
                      entries.end());
        return true;
    }
    if (read != ReadResult::Missing) {
        // Kept for whoever wants to look at it; the data files say what it held.
        std::string aside;
        for (unsigned n = 1; aside.empty() || Contains(locked.Names, aside); ++n)
            aside = std::string(CatalogName) + DamagedSuffix + "-" + std::to_string(n);
        if (!m_files.MoveOver(PathOf(CatalogName), PathOf(aside)))
            return false;
        locked.Names.push_back(aside);
    }
    Rebuild(locked);
    if (!locked.Index.Entries.empty() || read != ReadResult::Missing)
        SaveCatalog(locked.Index); // if it fails, the next change writes it
    return true;
}

void SavegameStore::Rebuild(Locked& locked)
{
    locked.Index = Catalog();
    std::vector<std::string> found = locked.Names;
    for (const std::string& name : found) {
        unsigned productId, savegameId;
        std::string rest;
        std::uint32_t generation;
        if (!SplitName(name, productId, savegameId, rest))
            continue;
        if (!DataGeneration(rest, generation))
            continue;
        locked.Index.NextGeneration = std::max(locked.Index.NextGeneration, generation + 1);
        std::vector<unsigned char> bytes;
        SavegameEntry entry;
        bool whole = false;
        try {
            const ReadResult read = m_files.ReadFile(PathOf(name), bytes, MaxDataFileSize);
            if (read != ReadResult::Read)
                continue; // unreadable now, perhaps readable later: left as it is
            if (generation == 0) {
                // The raw bytes of a catalog of version 1; its name is lost with that catalog.
                entry.ProductId = productId;
                entry.SavegameId = savegameId;
                entry.Size = unsigned(bytes.size());
                whole = true;
            } else {
                whole = DecodeDataFile(bytes, entry) && entry.ProductId == productId &&
                        entry.SavegameId == savegameId && entry.Generation == generation;
            }
        } catch (const std::bad_alloc&) {
            continue;
        }
        if (!whole) {
            // Kept aside, under a name that still holds its id, so that the id is never given again.
            if (m_files.MoveOver(PathOf(name), PathOf(name + DamagedSuffix)))
                std::replace(locked.Names.begin(), locked.Names.end(), name, name + DamagedSuffix);
            continue;
        }
        auto known = FindEntry(locked.Index, productId, savegameId);
        if (known == locked.Index.Entries.end())
            locked.Index.Entries.push_back(entry);
        else if (known->Generation < entry.Generation)
            *known = entry; // the newer of a replacement that had not dropped the old one
    }
}

bool SavegameStore::SaveCatalog(const Catalog& catalog)
{
    // A larger one would be judged damaged when read; Reserve refuses writers before it comes to that.
    const std::vector<unsigned char> bytes = EncodeCatalog(catalog);
    if (bytes.size() > MaxCatalogSize)
        return false;
    const std::string temporary = PathOf(std::string(CatalogName) + TemporarySuffix);
    if (m_files.WriteFileDurably(temporary, bytes, {}) &&
        m_files.MoveOver(temporary, PathOf(CatalogName)))
        return true;
    m_files.RemoveFile(temporary);
    return false;
}

void SavegameStore::RemoveLeftovers(Locked& locked)
{
    // A data file newer than the catalog knows is a save game: a commit that
    // died before it switched the catalog, or a catalog put back from a copy.
    // The catalog is rebuilt to hold it before anything is removed.
    for (const std::string& name : locked.Names) {
        unsigned productId, savegameId;
        std::string rest;
        std::uint32_t generation;
        if (!SplitName(name, productId, savegameId, rest) || !DataGeneration(rest, generation))
            continue;
        auto entry = FindEntry(locked.Index, productId, savegameId);
        if (entry == locked.Index.Entries.end() || entry->Generation < generation) {
            Rebuild(locked);
            SaveCatalog(locked.Index); // if it fails, the next start rebuilds again
            break;
        }
    }
    for (const std::string& name : locked.Names) {
        unsigned productId, savegameId;
        std::string rest;
        std::uint32_t generation;
        if (EndsWith(name, TemporarySuffix)) {
            m_files.RemoveFile(PathOf(name)); // a commit that never finished
        } else if (EndsWith(name, WriterSuffix)) {
            // Unlocked: its writer's process has ended.
            if (m_files.LockFile(PathOf(name), false) != nullptr)
                m_files.RemoveFile(PathOf(name));
        } else if (SplitName(name, productId, savegameId, rest) && DataGeneration(rest, generation)) {
            // Replaced by a newer one that the catalog points at.
            auto entry = FindEntry(locked.Index, productId, savegameId);
            if (entry != locked.Index.Entries.end() && entry->Generation > generation)
                m_files.RemoveFile(PathOf(name));
        }
    }
}

Status SavegameStore::List(unsigned productId, std::vector<SavegameEntry>& list)
{
    Locked locked;
    list.clear();
    const Opened opened = Open(locked, false);
    if (opened != Opened::Yes)
        return opened == Opened::NoFolder ? Done : StorageFailed;
    for (const SavegameEntry& entry : locked.Index.Entries)
        if (entry.ProductId == productId)
            list.push_back(entry);
    std::sort(list.begin(), list.end(),
              [](const SavegameEntry& a, const SavegameEntry& b) { return a.SavegameId < b.SavegameId; });
    return Done;
}

Status SavegameStore::OpenEntry(Locked& locked, unsigned productId, unsigned savegameId,
                                std::vector<SavegameEntry>::iterator& entry)
{
    const Opened opened = Open(locked, false);
    if (opened != Opened::Yes)
        return opened == Opened::NoFolder ? UnknownSavegame : StorageFailed;
    entry = FindEntry(locked.Index, productId, savegameId);
    return entry == locked.Index.Entries.end() ? UnknownSavegame : Done;
}

Status SavegameStore::Read(unsigned productId, unsigned savegameId, std::vector<unsigned char>& data)
{
    Locked locked;
    std::vector<SavegameEntry>::iterator entry;
    const Status found = OpenEntry(locked, productId, savegameId, entry);
    if (found != Done)
        return found;
    try {
        if (m_files.ReadFile(PathOf(DataName(*entry)), data, MaxDataFileSize) != ReadResult::Read)
            return StorageFailed;
        if (entry->Generation == 0)
            return data.size() == entry->Size ? Done : StorageFailed;
        SavegameEntry stated;
        if (!DecodeDataFile(data, stated) || stated.ProductId != productId || stated.SavegameId != savegameId ||
            stated.Generation != entry->Generation)
            return StorageFailed;
    } catch (const std::bad_alloc&) {
        return StorageFailed;
    }
    return Done;
}

Status SavegameStore::Reserve(unsigned productId, unsigned& savegameId, bool replace,
                              std::unique_ptr<FileLock>& reservation)
{
    Locked locked;
    if (Open(locked, true) != Opened::Yes)
        return StorageFailed;
    if (savegameId != 0) {
        if (!replace && FindEntry(locked.Index, productId, savegameId) != locked.Index.Entries.end())
            return SavegameExists;
        const std::string writer = WriterName(productId, savegameId);
        reservation = m_files.LockFile(PathOf(writer), false);
        // A writer file that was not there could not be made: the folder cannot be written.
        if (reservation == nullptr && !Contains(locked.Names, writer))
            return StorageFailed;
        // A writer that may replace goes ahead beside another one: the later commit wins.
        if (reservation == nullptr && !replace)
            return SavegameExists;
        return Admit(locked, productId, savegameId, reservation);
    }
    // Every id any file of the product names is taken: save games, damaged
    // ones kept aside, writers open in any process.
    std::set<unsigned> used;
    for (const SavegameEntry& entry : locked.Index.Entries)
        if (entry.ProductId == productId)
            used.insert(entry.SavegameId);
    for (const std::string& name : locked.Names) {
        unsigned product, id;
        std::string rest;
        if (SplitName(name, product, id, rest) && product == productId)
            used.insert(id);
    }
    used.insert(0);
    // Above every id; after id 0xFFFFFFFF, the lowest free one.
    unsigned candidate = *used.rbegin() + 1;
    for (auto it = used.begin(); candidate == 0 && it != used.end(); ++it)
        if (used.count(*it + 1) == 0)
            candidate = *it + 1;
    if (candidate == 0)
        return StorageFailed;
    reservation = m_files.LockFile(PathOf(WriterName(productId, candidate)), false);
    if (reservation == nullptr)
        return StorageFailed;
    const Status admitted = Admit(locked, productId, candidate, reservation);
    if (admitted == Done)
        savegameId = candidate;
    return admitted;
}

// Refuses now what the commit would have to refuse later, when nothing can report it.
Status SavegameStore::Admit(Locked& locked, unsigned productId, unsigned savegameId,
                            std::unique_ptr<FileLock>& reservation)
{
    if (CatalogHasRoom(locked.Index, locked.Names, productId, savegameId) &&
        NewGeneration(locked.Index, locked.Names, productId, savegameId) != 0)
        return Done;
    EndReservation(productId, savegameId, std::move(reservation));
    return StorageFailed;
}

bool SavegameStore::Write(const SavegameEntry& written, const std::vector<unsigned char>& data,
                          std::unique_ptr<FileLock> reservation)
{
    Locked locked;
    const bool opened = Open(locked, true) == Opened::Yes;
    SavegameEntry entry = written;
    entry.Generation = opened ? NewGeneration(locked.Index, locked.Names, entry.ProductId, entry.SavegameId) : 0;
    if (entry.Generation == 0) {
        reservation.reset(); // a later start removes its file
        return false;
    }
    if (locked.Index.NextGeneration != 0 && entry.Generation >= locked.Index.NextGeneration)
        locked.Index.NextGeneration = entry.Generation + 1; // 0 after the last
    entry.Size = unsigned(data.size());
    entry.Checksum = Crc32(data.data(), data.size());
    const std::string path = PathOf(DataName(entry));
    const std::string temporary = path + TemporarySuffix;
    bool committed = false;
    if (m_files.WriteFileDurably(temporary, EncodeDataHeader(entry), data) && m_files.MoveOver(temporary, path)) {
        std::string old;
        auto found = FindEntry(locked.Index, entry.ProductId, entry.SavegameId);
        if (found != locked.Index.Entries.end()) {
            old = DataName(*found);
            *found = entry;
        } else {
            locked.Index.Entries.push_back(entry);
        }
        // The switch from the old save game to the new one.
        committed = SaveCatalog(locked.Index);
        // What is left when this fails goes at the next start.
        if (!committed)
            m_files.RemoveFile(path);
        else if (!old.empty())
            m_files.RemoveFile(PathOf(old));
    } else {
        m_files.RemoveFile(temporary);
    }
    EndReservation(entry.ProductId, entry.SavegameId, std::move(reservation));
    return committed;
}

void SavegameStore::Release(unsigned productId, unsigned savegameId, std::unique_ptr<FileLock> reservation)
{
    Locked locked;
    if (reservation != nullptr && Open(locked, false) == Opened::Yes)
        EndReservation(productId, savegameId, std::move(reservation));
}

// Under the folder's lock, so that no other process is opening the file between the two steps.
void SavegameStore::EndReservation(unsigned productId, unsigned savegameId, std::unique_ptr<FileLock> reservation)
{
    if (reservation == nullptr)
        return;
    reservation.reset();
    m_files.RemoveFile(PathOf(WriterName(productId, savegameId)));
}

Status SavegameStore::Remove(unsigned productId, unsigned savegameId)
{
    Locked locked;
    std::vector<SavegameEntry>::iterator entry;
    const Status found = OpenEntry(locked, productId, savegameId, entry);
    if (found != Done)
        return found;
    const std::string current = DataName(*entry);
    // Older data files of it first, so that a rebuild cannot bring one back.
    for (const std::string& name : locked.Names) {
        unsigned product, id;
        std::string rest;
        std::uint32_t generation;
        if (name != current && SplitName(name, product, id, rest) && product == productId && id == savegameId &&
            DataGeneration(rest, generation) && !m_files.RemoveFile(PathOf(name)))
            return StorageFailed;
    }
    // The switch: without its data file a save game does not exist.
    if (!m_files.RemoveFile(PathOf(current)))
        return StorageFailed;
    locked.Index.Entries.erase(entry);
    SaveCatalog(locked.Index); // if it fails, the next reader of the catalog drops the entry
    return Done;
}

} // namespace devlauncher

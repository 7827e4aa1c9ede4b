#pragma once

// Save games as files in one folder: each one's bytes in
// "<product id>-<save-game id>.sav", and their names and sizes in "catalog.bin"
// (format in README.md in this folder). The catalog is read when the store is
// made and rewritten, through a temporary file, after every change; one game
// process uses a folder at a time.

#include <string>
#include <vector>

namespace devlauncher {

struct SavegameEntry {
    unsigned ProductId = 0;
    unsigned SavegameId = 0;
    unsigned Size = 0;
    // UTF-16 with its terminating NUL.
    std::vector<unsigned short> Name{0};

    bool operator==(const SavegameEntry& other) const;
};

class SavegameStore {
public:
    explicit SavegameStore(std::string folder);

    // The product's save games by increasing id.
    std::vector<SavegameEntry> List(unsigned productId) const;
    // Null when there is no such save game.
    const SavegameEntry* Find(unsigned productId, unsigned savegameId) const;
    // False when the save game or its file is missing.
    bool Read(unsigned productId, unsigned savegameId, std::vector<unsigned char>& data) const;
    // Creates or replaces the save game; false when the files could not be written.
    bool Write(unsigned productId, unsigned savegameId, const std::vector<unsigned short>& name,
               const std::vector<unsigned char>& data);
    // False when there is no such save game or the catalog could not be written.
    bool Remove(unsigned productId, unsigned savegameId);
    // An id above every one the product has or was given by this call before.
    unsigned NewSavegameId(unsigned productId);

private:
    std::string DataPath(unsigned productId, unsigned savegameId) const;
    void LoadCatalog();
    bool SaveCatalog() const;

    std::string m_folder;
    std::vector<SavegameEntry> m_entries;
    std::vector<SavegameEntry> m_reserved; // ids handed out for writers not yet committed
};

} // namespace devlauncher

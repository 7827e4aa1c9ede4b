#pragma once

// Save games as files in one folder, shared safely by any number of game
// processes: each save game's bytes in a data file that describes itself, and
// an index of them in "catalog.bin" (formats in SavegameFormat.h and README.md
// in this folder). Every operation holds the folder's lock and reads the
// catalog anew, so that each process sees and keeps the others' save games.
// A commit writes the new data file under a new name, then switches the
// catalog to it, then drops the old one: a process that dies at any point, or
// a file operation that fails, leaves the old or the new save game, whole.

#include "FileSystem.h"
#include "SavegameFormat.h"

#include <memory>
#include <string>
#include <vector>

namespace devlauncher {

// The first value of the reader, writer and removal answers, and of the read
// and write reports, when they fail.
enum Status : unsigned {
    Done = 0,
    UnknownSavegame = 1, // no such save game, reader or writer
    SavegameExists = 2,  // a writer that may not replace found one, or another writer of it
    StorageFailed = 3,   // the files could not be read or written
    BadArgument = 4,     // a null buffer with a non-zero length
};

class SavegameStore {
public:
    // Removes what interrupted commits left behind.
    SavegameStore(std::string folder, FileSystem& fileSystem = SystemFileSystem());

    // Done with the product's save games by increasing id (none when the
    // folder does not exist), or StorageFailed when the folder cannot be read.
    Status List(unsigned productId, std::vector<SavegameEntry>& list);
    // Done, UnknownSavegame or StorageFailed (the data file is missing, damaged or unreadable).
    Status Read(unsigned productId, unsigned savegameId, std::vector<unsigned char>& data);
    // Keeps the id of a writer from every other writer, in any process, until
    // it commits or is discarded. savegameId 0 asks for a new id, above every
    // id the product's files use. Done (savegameId set), SavegameExists or
    // StorageFailed: the folder cannot be written, the catalog might not hold
    // the save game, or its generations are used up. A commit that would fail
    // for those is refused here, where the writer's answer can say so.
    Status Reserve(unsigned productId, unsigned& savegameId, bool replace, std::unique_ptr<FileLock>& reservation);
    // Creates or replaces the save game and ends the reservation; false when it
    // was not committed, leaving the old save game as it was.
    bool Write(const SavegameEntry& entry, const std::vector<unsigned char>& data,
               std::unique_ptr<FileLock> reservation);
    // Ends a reservation without writing.
    void Release(unsigned productId, unsigned savegameId, std::unique_ptr<FileLock> reservation);
    // Done only when the save game is gone for good; UnknownSavegame or StorageFailed.
    Status Remove(unsigned productId, unsigned savegameId);

private:
    // The folder's lock, with the catalog and the folder's names as they were read under it.
    struct Locked {
        std::unique_ptr<FileLock> Lock;
        Catalog Index;
        std::vector<std::string> Names;
    };

    // NoFolder: the folder does not exist, so there are no save games.
    enum class Opened { Yes, NoFolder, Failed };
    // create: make the folder first.
    Opened Open(Locked& locked, bool create);
    bool Load(Locked& locked);
    // Done with entry set, UnknownSavegame or StorageFailed.
    Status OpenEntry(Locked& locked, unsigned productId, unsigned savegameId,
                     std::vector<SavegameEntry>::iterator& entry);
    // Done, or StorageFailed (the reservation ended) for a commit that could not succeed.
    Status Admit(Locked& locked, unsigned productId, unsigned savegameId, std::unique_ptr<FileLock>& reservation);
    void Rebuild(Locked& locked);
    bool SaveCatalog(const Catalog& catalog);
    void EndReservation(unsigned productId, unsigned savegameId, std::unique_ptr<FileLock> reservation);
    void RemoveLeftovers(Locked& locked);
    std::string PathOf(const std::string& name) const;

    std::string m_folder;
    FileSystem& m_files;
};

} // namespace devlauncher

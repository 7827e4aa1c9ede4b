// The development launcher's own behaviour, on a folder of each test's own:
// when it answers, what it answers, and what its save games are after a
// restart (a new launcher over the same folder).

#include "Checksum.h"
#include "DevLauncher.h"

#include "kz/tesmaclient/Listeners.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace devlauncher;

namespace {

struct Answer {
    std::string Kind;
    unsigned RequestId;
    std::vector<kz::SavegameHandle> Values;
};

// Every listener the launcher calls, recording each call.
class Recorder : public tesmadll::IGetLoginDetailsListener,
                 public tesmadll::IGetTesmaServerListener,
                 public tesmadll::IGetSavegameReaderListener,
                 public tesmadll::IGetSavegameWriterListener,
                 public tesmadll::IGetSavegameListListener,
                 public tesmadll::IRemoveSavegameListener,
                 public tesmadll::IGetNetworkTrafficListener,
                 public kz::tesmaclient::ISavegameReadListener,
                 public kz::tesmaclient::ISavegameWriteListener {
public:
    std::vector<Answer> Answers;
    // The list of the last list answer.
    const unsigned* List = nullptr;
    // Runs inside each call, after it is recorded.
    std::function<void()> Then;

    bool OnGetLoginDetails(unsigned id, unsigned a, unsigned b, unsigned c) noexcept override
    {
        return Record("login", id, {a, b, c});
    }
    bool OnGetTesmaServer(unsigned id, unsigned a) noexcept override { return Record("server", id, {a}); }
    bool OnGetSavegameReader(unsigned id, unsigned a, SavegameHandle reader) noexcept override
    {
        return Record("reader", id, {a, reader});
    }
    bool OnGetSavegameWriter(unsigned id, unsigned a, SavegameHandle writer) noexcept override
    {
        return Record("writer", id, {a, writer});
    }
    bool OnGetSavegameList(unsigned id, const void* list, unsigned count) noexcept override
    {
        List = static_cast<const unsigned*>(list);
        return Record("list", id, {count});
    }
    bool OnRemoveSavegame(unsigned id, unsigned a) noexcept override { return Record("remove", id, {a}); }
    bool OnGetNetworkTraffic(unsigned id, unsigned a, unsigned b, unsigned c, unsigned d) noexcept override
    {
        return Record("traffic", id, {a, b, c, d});
    }
    bool OnSavegameRead(unsigned id, unsigned a, unsigned b) override { return Record("read", id, {a, b}); }
    bool OnSavegameWrite(unsigned id, unsigned a, unsigned b) override { return Record("write", id, {a, b}); }

    const Answer& Last() const { return Answers.back(); }

private:
    bool Record(const char* kind, unsigned id, std::vector<SavegameHandle> values)
    {
        Answers.push_back({kind, id, std::move(values)});
        if (Then)
            Then();
        return true;
    }
};

std::vector<unsigned short> Wide(const char16_t* text)
{
    std::vector<unsigned short> wide;
    for (; *text != 0; ++text)
        wide.push_back(static_cast<unsigned short>(*text));
    wide.push_back(0);
    return wide;
}

std::u16string Text(const unsigned short* text)
{
    std::u16string result;
    for (; text != nullptr && *text != 0; ++text)
        result.push_back(char16_t(*text));
    return result;
}

SavegameHandle Element(const unsigned* list, unsigned index)
{
    return reinterpret_cast<SavegameHandle>(list + index);
}

constexpr unsigned Product = 4711;

class DevLauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/devlauncher-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        settings.SaveFolder = root + "/saves"; // made by the first write
        Restart();
    }

    void TearDown() override { std::filesystem::remove_all(root); }

    // A new launcher over the same folder, as after the game's process ended.
    void Restart()
    {
        launcher.reset(new DevLauncher(settings));
        session = launcher->GetSession();
    }

    // Writes a save game through a writer, committed; returns its id.
    unsigned Save(unsigned id, const char16_t* name, const std::string& bytes, bool replace = false)
    {
        Recorder writing;
        launcher->GetSavegameWriter(session, 1, &writing, Product, id, replace);
        launcher->Update(session);
        const SavegameHandle writer = writing.Last().Values[1];
        EXPECT_NE(0u, writer);
        std::vector<unsigned short> wide = Wide(name);
        EXPECT_TRUE(launcher->WriterSetName(writer, wide.data()));
        launcher->WriterWrite(writer, 2, &writing, bytes.data(), unsigned(bytes.size()));
        launcher->WriterClose(writer, true);
        launcher->Update(session); // the write's answer, while writing lives
        return unsigned(writing.Answers[0].Values[0]);
    }

    std::string Load(unsigned id)
    {
        Recorder reading;
        launcher->GetSavegameReader(session, 1, &reading, Product, id);
        launcher->Update(session);
        const SavegameHandle reader = reading.Last().Values[1];
        if (reader == 0)
            return "unknown";
        std::string bytes(reading.Last().Values[0], '\0');
        launcher->ReaderRead(reader, 2, &reading, 0, &bytes[0], unsigned(bytes.size()));
        launcher->Update(session);
        launcher->ReaderClose(reader);
        return bytes;
    }

    std::vector<unsigned> ListIds()
    {
        Recorder listing;
        launcher->GetSavegameList(session, 1, &listing, Product);
        launcher->Update(session);
        return std::vector<unsigned>(listing.List, listing.List + listing.Last().Values[0]);
    }

    std::string root;
    Settings settings;
    std::unique_ptr<DevLauncher> launcher;
    SessionHandle session = 0;
    Recorder game;
};

using DevLauncherAnswers = DevLauncherTest;
using DevLauncherSavegames = DevLauncherTest;

TEST_F(DevLauncherAnswers, ComeOnlyOnTheUpdateOfTheirSessionInRequestOrder)
{
    const SessionHandle other = launcher->GetSession();
    ASSERT_NE(0u, session);
    ASSERT_NE(session, other);
    const unsigned first = launcher->GetRequestUniqueId(session);
    const unsigned second = launcher->GetRequestUniqueId(other);
    EXPECT_LT(first, second);

    launcher->GetLoginDetails(session, first, &game);
    launcher->GetTesmaServer(session, second, &game);
    launcher->GetNetworkTraffic(session, 3, &game);
    launcher->RemoveSavegame(session, 4, &game, Product, 9);
    EXPECT_TRUE(game.Answers.empty()) << "answered inside the request call";
    launcher->Update(other);
    EXPECT_TRUE(game.Answers.empty()) << "answered on another session's Update";

    launcher->Update(session);
    ASSERT_EQ(4u, game.Answers.size());
    EXPECT_EQ("login", game.Answers[0].Kind);
    EXPECT_EQ(first, game.Answers[0].RequestId);
    EXPECT_EQ((std::vector<SavegameHandle>{1, 1000, 0}), game.Answers[0].Values);
    EXPECT_EQ("server", game.Answers[1].Kind);
    EXPECT_EQ(std::vector<SavegameHandle>{0x7F000001}, game.Answers[1].Values);
    EXPECT_EQ("traffic", game.Answers[2].Kind);
    EXPECT_EQ((std::vector<SavegameHandle>{0, 0, 0, 0}), game.Answers[2].Values);
    EXPECT_EQ("remove", game.Answers[3].Kind);
    EXPECT_EQ(std::vector<SavegameHandle>{UnknownSavegame}, game.Answers[3].Values);

    launcher->Update(session);
    EXPECT_EQ(4u, game.Answers.size()) << "an answer was given twice";
}

TEST_F(DevLauncherAnswers, RequestAskedFromAListenerWaitsForTheNextUpdate)
{
    game.Then = [&] {
        if (game.Answers.size() == 1)
            launcher->GetLoginDetails(session, 2, &game);
    };
    launcher->GetLoginDetails(session, 1, &game);
    launcher->Update(session);
    ASSERT_EQ(1u, game.Answers.size());
    launcher->Update(session);
    ASSERT_EQ(2u, game.Answers.size());
    EXPECT_EQ(2u, game.Last().RequestId);
}

TEST_F(DevLauncherAnswers, InlineSettingAnswersInsideTheRequestCall)
{
    settings.AnswerInline = true;
    Restart();
    launcher->GetSavegameReader(session, 5, &game, Product, 1);
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ("reader", game.Last().Kind);
    EXPECT_EQ(5u, game.Last().RequestId);
}

TEST_F(DevLauncherAnswers, RequestsWithoutAValidSessionAreDropped)
{
    for (SessionHandle unknown : {SessionHandle(0), session + 1}) {
        EXPECT_EQ(0u, launcher->GetRequestUniqueId(unknown));
        launcher->GetLoginDetails(unknown, 1, &game);
        launcher->GetSavegameList(unknown, 2, &game, Product);
        launcher->Update(unknown);
    }
    launcher->Update(session);
    EXPECT_TRUE(game.Answers.empty());
}

TEST_F(DevLauncherAnswers, LocTextComesFromTheTableOrIsTheKey)
{
    const std::vector<unsigned short> key = Wide(u"DEVLAUNCHER_SAVED");
    EXPECT_EQ(u"Spiel gespeichert.", Text(launcher->GetLocText(session, key.data(), "de-DE")));
    EXPECT_EQ(u"Partie sauvegardée.", Text(launcher->GetLocText(session, key.data(), "fr-CA")));
    EXPECT_EQ(u"Game saved.", Text(launcher->GetLocText(session, key.data(), "ja-JP")));
    EXPECT_EQ(u"Game saved.", Text(launcher->GetLocText(session, key.data(), nullptr)));
    const std::vector<unsigned short> unknown = Wide(u"DEVLAUNCHER_SAVE");
    EXPECT_EQ(unknown.data(), launcher->GetLocText(session, unknown.data(), "en-US"));
}

TEST_F(DevLauncherSavegames, SurviveARestartWithNameSizeAndBytes)
{
    EXPECT_EQ(1u, Save(0, u"Chapter 1 – Höhle", std::string("\0\x01save", 6)));
    EXPECT_EQ(2u, Save(0, u"Chapter 2", "more"));
    Restart();

    launcher->GetSavegameList(session, 7, &game, Product);
    launcher->Update(session);
    ASSERT_EQ(1u, game.Answers.size());
    ASSERT_EQ(2u, game.Last().Values[0]);
    EXPECT_EQ(u"Chapter 1 – Höhle", Text(launcher->InfoGetName(Element(game.List, 0))));
    EXPECT_EQ(Product, launcher->InfoGetProductId(Element(game.List, 0)));
    EXPECT_EQ(1u, launcher->InfoGetSavegameId(Element(game.List, 0)));
    EXPECT_EQ(6u, launcher->InfoGetSize(Element(game.List, 0)));
    EXPECT_EQ(u"Chapter 2", Text(launcher->InfoGetName(Element(game.List, 1))));
    EXPECT_EQ(2u, launcher->InfoGetSavegameId(Element(game.List, 1)));
    EXPECT_EQ(std::string("\0\x01save", 6), Load(1));
    EXPECT_EQ("more", Load(2));

    launcher->GetSavegameList(session, 8, &game, Product + 1);
    launcher->Update(session);
    EXPECT_EQ(0u, game.Last().Values[0]) << "another product's save games were listed";
}

TEST_F(DevLauncherSavegames, RemovedSavegameIsGoneAlsoAfterARestart)
{
    Save(3, u"keep", "k");
    Save(4, u"drop", "d");
    launcher->RemoveSavegame(session, 1, &game, Product, 4);
    launcher->Update(session);
    EXPECT_EQ(std::vector<SavegameHandle>{Done}, game.Last().Values);
    EXPECT_EQ(std::vector<unsigned>{3}, ListIds());
    EXPECT_EQ("unknown", Load(4));
    Restart();
    EXPECT_EQ(std::vector<unsigned>{3}, ListIds());
    EXPECT_EQ("unknown", Load(4));
    EXPECT_FALSE(std::filesystem::exists(settings.SaveFolder + "/4711-4.sav"));
}

TEST_F(DevLauncherSavegames, ReaderOfAnUnknownSavegameAnswersUnknownWithoutAReader)
{
    launcher->GetSavegameReader(session, 9, &game, Product, 42);
    launcher->Update(session);
    ASSERT_EQ(1u, game.Answers.size());
    EXPECT_EQ(9u, game.Last().RequestId);
    EXPECT_EQ((std::vector<SavegameHandle>{UnknownSavegame, 0}), game.Last().Values);
}

TEST_F(DevLauncherSavegames, ReadFillsTheBufferOnlyWhenAnswered)
{
    Save(1, u"s", "abcdef");
    launcher->GetSavegameReader(session, 1, &game, Product, 1);
    launcher->Update(session);
    const SavegameHandle reader = game.Last().Values[1];
    char buffer[8] = "-------";
    launcher->ReaderRead(reader, 2, &game, 4, buffer, 7);
    EXPECT_EQ(std::string("-------"), buffer);
    launcher->Update(session);
    EXPECT_EQ(std::string("ef-----"), buffer);
    EXPECT_EQ((std::vector<SavegameHandle>{Done, 2}), game.Last().Values) << "two bytes past the offset";

    launcher->ReaderRead(reader, 3, &game, 0, buffer, 1);
    launcher->ReaderClose(reader);
    launcher->Update(session);
    EXPECT_EQ((std::vector<SavegameHandle>{UnknownSavegame, 0}), game.Last().Values) << "closed before the answer";
    EXPECT_EQ('e', buffer[0]);
}

TEST_F(DevLauncherSavegames, WriterKeepsOrReplacesAsAskedAndDiscardsOnClose)
{
    Save(5, u"first", "1");
    launcher->GetSavegameWriter(session, 1, &game, Product, 5, false);
    launcher->Update(session);
    EXPECT_EQ((std::vector<SavegameHandle>{SavegameExists, 0}), game.Last().Values);

    Save(5, u"second", "22", true);
    EXPECT_EQ("22", Load(5));

    launcher->GetSavegameWriter(session, 2, &game, Product, 6, false);
    launcher->Update(session);
    const SavegameHandle discarded = game.Last().Values[1];
    launcher->WriterWrite(discarded, 3, &game, "x", 1);
    launcher->WriterClose(discarded, false);
    launcher->Update(session);
    EXPECT_EQ((std::vector<SavegameHandle>{Done, 1}), game.Last().Values);
    EXPECT_EQ(std::vector<unsigned>{5}, ListIds());
}

TEST_F(DevLauncherSavegames, WritersOpenedTogetherGetNewIdsOfTheirOwn)
{
    Save(0, u"one", "1");
    launcher->GetSavegameWriter(session, 1, &game, Product, 0, false);
    launcher->GetSavegameWriter(session, 2, &game, Product, 0, false);
    launcher->Update(session);
    EXPECT_EQ(2u, game.Answers[0].Values[0]);
    EXPECT_EQ(3u, game.Answers[1].Values[0]);
    EXPECT_NE(game.Answers[0].Values[1], game.Answers[1].Values[1]);
}

TEST_F(DevLauncherSavegames, IdsNeverCollideAcrossWritersAndGameProcesses)
{
    DevLauncher other(settings); // a second game process on the folder
    const SessionHandle otherSession = other.GetSession();
    Save(0xFFFFFFFFu, u"last", "z");
    Save(3, u"three", "3");
    launcher->GetSavegameWriter(session, 1, &game, Product, 0, false);
    launcher->GetSavegameWriter(session, 2, &game, Product, 50, false);
    launcher->GetSavegameWriter(session, 3, &game, Product, 2, false);
    launcher->Update(session);
    other.GetSavegameWriter(otherSession, 4, &game, Product, 0, false);
    other.GetSavegameWriter(otherSession, 5, &game, Product, 50, false);
    other.GetSavegameWriter(otherSession, 6, &game, Product, 3, false);
    other.Update(otherSession);
    ASSERT_EQ(6u, game.Answers.size());
    EXPECT_EQ(1u, game.Answers[0].Values[0]) << "the lowest free id after 0xFFFFFFFF";
    EXPECT_EQ(50u, game.Answers[1].Values[0]);
    EXPECT_EQ(2u, game.Answers[2].Values[0]);
    EXPECT_EQ(4u, game.Answers[3].Values[0]) << "an id another process's writer holds";
    EXPECT_EQ((std::vector<SavegameHandle>{SavegameExists, 0}), game.Answers[4].Values) << "held by another writer";
    EXPECT_EQ((std::vector<SavegameHandle>{SavegameExists, 0}), game.Answers[5].Values);

    for (size_t i : {0, 1, 2})
        launcher->WriterClose(game.Answers[i].Values[1], true);
    other.WriterClose(game.Answers[3].Values[1], true);
    EXPECT_EQ((std::vector<unsigned>{1, 2, 3, 4, 50, 0xFFFFFFFFu}), ListIds()) << "a commit replaced another save game";
}

TEST_F(DevLauncherSavegames, LimitsRefuseInsteadOfLosingTheSavegameOrEndingTheGame)
{
    Save(1, u"small", "kept");
    launcher->GetSavegameWriter(session, 1, &game, Product, 1, true);
    launcher->Update(session);
    const SavegameHandle writer = game.Last().Values[1];
    std::vector<unsigned short> name(MaxNameUnits + 2, 'n');
    name.back() = 0;
    EXPECT_FALSE(launcher->WriterSetName(writer, name.data())) << "a name the catalog cannot hold";
    name[MaxNameUnits] = 0;
    EXPECT_TRUE(launcher->WriterSetName(writer, name.data()));
    const std::vector<char> piece(1 << 20, 'x');
    for (unsigned i = 0; i <= MaxSavegameSize / piece.size(); ++i)
        launcher->WriterWrite(writer, 10 + i, &game, piece.data(), unsigned(piece.size()));
    launcher->WriterClose(writer, true);
    launcher->Update(session);
    EXPECT_EQ((std::vector<SavegameHandle>{Done, 1 << 20}), game.Answers[game.Answers.size() - 2].Values);
    EXPECT_EQ((std::vector<SavegameHandle>{StorageFailed, 0}), game.Last().Values) << "past the largest save game";
    Restart();
    EXPECT_EQ("kept", Load(1)) << "a refused write was committed";

    Save(2, std::u16string(MaxNameUnits, u'n').c_str(), "long");
    Restart();
    EXPECT_EQ((std::vector<unsigned>{1, 2}), ListIds()) << "the longest name lost its save game";
}

TEST_F(DevLauncherSavegames, ListAddressesStayValidAndOthersGiveNeutralValues)
{
    Save(1, u"a", "a");
    launcher->GetSavegameList(session, 1, &game, Product);
    launcher->Update(session);
    const unsigned* before = game.List;
    launcher->GetSavegameList(session, 2, &game, Product);
    launcher->Update(session);
    EXPECT_EQ(before, game.List) << "an unchanged list is answered again";
    Save(2, u"b", "b");
    launcher->GetSavegameList(session, 3, &game, Product);
    launcher->Update(session);
    ASSERT_NE(before, game.List);
    EXPECT_EQ(u"a", Text(launcher->InfoGetName(Element(before, 0))));
    EXPECT_EQ(u"b", Text(launcher->InfoGetName(Element(game.List, 1))));

    for (SavegameHandle stranger : {SavegameHandle(0), Element(game.List, 2), Element(game.List, 0) + 1}) {
        EXPECT_EQ(nullptr, launcher->InfoGetName(stranger));
        EXPECT_EQ(0xFFFFFFFFu, launcher->InfoGetProductId(stranger));
        EXPECT_EQ(0xFFFFFFFFu, launcher->InfoGetSavegameId(stranger));
        EXPECT_EQ(0u, launcher->InfoGetSize(stranger));
    }
}

TEST_F(DevLauncherSavegames, UnreadableFolderAnswersNoListUnlikeAnEmptyOne)
{
    launcher->GetSavegameList(session, 1, &game, Product);
    launcher->Update(session);
    EXPECT_NE(nullptr, game.List) << "no folder yet: an empty list";
    EXPECT_EQ(0u, game.Last().Values[0]);

    Save(1, u"s", "s");
    // A catalog that cannot be read (a folder in its place) is neither empty nor damaged.
    std::filesystem::remove(settings.SaveFolder + "/catalog.bin");
    std::filesystem::create_directory(settings.SaveFolder + "/catalog.bin");
    launcher->GetSavegameList(session, 2, &game, Product);
    launcher->GetSavegameReader(session, 3, &game, Product, 1);
    launcher->Update(session);
    EXPECT_EQ(nullptr, game.List);
    EXPECT_EQ(0u, game.Answers[1].Values[0]);
    EXPECT_EQ((std::vector<SavegameHandle>{StorageFailed, 0}), game.Last().Values) << "out of reach, not unknown";
}

} // namespace

namespace {

// The save-game folder itself, below the launcher: what is left on the disk
// when a process dies or a file operation fails, when the catalog is damaged,
// and when two processes share the folder.

using Bytes = std::vector<unsigned char>;

Bytes Filled(size_t size, unsigned char value)
{
    return Bytes(size, value);
}

SavegameEntry Entry(unsigned id, const char16_t* name)
{
    SavegameEntry entry;
    entry.ProductId = Product;
    entry.SavegameId = id;
    entry.Name = Wide(name);
    return entry;
}

bool Commit(SavegameStore& store, unsigned id, const char16_t* name, const Bytes& data, bool replace = false)
{
    std::unique_ptr<FileLock> reservation;
    return store.Reserve(Product, id, replace, reservation) == Done &&
           store.Write(Entry(id, name), data, std::move(reservation));
}

// The product's save games, which the folder must be able to list.
std::vector<SavegameEntry> Listed(SavegameStore& store)
{
    std::vector<SavegameEntry> list;
    EXPECT_EQ(Done, store.List(Product, list));
    return list;
}

// Writes a data file of any generation as the store writes them; returns its catalog entry.
SavegameEntry WriteDataFile(const std::string& folder, unsigned id, std::uint32_t generation,
                            const std::u16string& name, const Bytes& data)
{
    SavegameEntry entry = Entry(id, name.c_str());
    entry.Generation = generation;
    entry.Size = unsigned(data.size());
    entry.Checksum = Crc32(data.data(), data.size());
    Bytes file = EncodeDataHeader(entry);
    file.insert(file.end(), data.begin(), data.end());
    std::ofstream(folder + "/4711-" + std::to_string(id) + "-" + std::to_string(generation) + ".sav",
                  std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return entry;
}

// What a fresh store finds: ids with their bytes, "unreadable" for a listed
// save game that cannot be read whole.
std::map<unsigned, Bytes> Contents(const std::string& folder)
{
    SavegameStore store(folder);
    std::map<unsigned, Bytes> contents;
    for (const SavegameEntry& entry : Listed(store)) {
        Bytes data;
        if (store.Read(Product, entry.SavegameId, data) != Done || data.size() != entry.Size)
            data.assign({'?'});
        contents[entry.SavegameId] = data;
    }
    return contents;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(folder))
        names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Died {};

// The system's file operations, of which the k-th fails the way the system's
// would (a write leaves a part of the file) or is where the process dies.
class FaultyFileSystem : public FileSystem {
public:
    enum Fault { Fails, Dies };

    void Arm(int k, Fault fault)
    {
        m_countdown = k;
        m_fault = fault;
        Hit = false;
    }
    bool Hit = false;
    // A folder without write permission: its files open, and nothing is made, renamed or removed.
    bool ReadOnly = false;

    ReadResult ReadFile(const std::string& path, Bytes& bytes, size_t maxBytes) override
    {
        return Faulted() ? ReadResult::Failed : m_system.ReadFile(path, bytes, maxBytes);
    }
    bool WriteFileDurably(const std::string& path, const Bytes& head, const Bytes& tail) override
    {
        if (ReadOnly)
            return false;
        if (!Faulted(false))
            return m_system.WriteFileDurably(path, head, tail);
        m_system.WriteFileDurably(path, Bytes(head.begin(), head.begin() + long(head.size() / 2)), {});
        return Fail();
    }
    bool MoveOver(const std::string& from, const std::string& to) override
    {
        return !ReadOnly && !Faulted() && m_system.MoveOver(from, to);
    }
    bool RemoveFile(const std::string& path) override
    {
        return !ReadOnly && !Faulted() && m_system.RemoveFile(path);
    }
    bool MakeDirectories(const std::string& path) override
    {
        return (!ReadOnly || std::filesystem::is_directory(path)) && !Faulted() && m_system.MakeDirectories(path);
    }
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override
    {
        return !Faulted() && m_system.ListFolder(folder, names);
    }
    std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait) override
    {
        if (ReadOnly && !std::filesystem::exists(path))
            return nullptr;
        return Faulted() ? nullptr : m_system.LockFile(path, wait);
    }

private:
    // True when this operation is the faulty one; dies at once unless it leaves a part first.
    bool Faulted(bool dieNow = true)
    {
        if (m_countdown <= 0 || --m_countdown != 0)
            return false;
        Hit = true;
        if (dieNow)
            Fail();
        return true;
    }
    bool Fail()
    {
        if (m_fault == Dies)
            throw Died();
        return false;
    }

    FileSystem& m_system = SystemFileSystem();
    int m_countdown = 0;
    Fault m_fault = Fails;
};

class SavegameFolder : public DevLauncherTest {
protected:
    // Save game 1 (300 bytes of 1) and 2 (1,000 bytes of 2).
    void WriteTwo()
    {
        SavegameStore store(settings.SaveFolder);
        ASSERT_TRUE(Commit(store, 1, u"keep", Filled(300, 1)));
        ASSERT_TRUE(Commit(store, 2, u"old", Filled(1000, 2)));
    }
};

TEST_F(SavegameFolder, CommitLeavesTheOldOrTheNewSavegameWholeWhereverItFailsOrDies)
{
    const Bytes keep = Filled(300, 1), old = Filled(1000, 2);
    struct Change {
        const char* What;
        std::function<bool(SavegameStore&)> Do;
        std::map<unsigned, Bytes> Before, After;
    };
    const std::vector<Change> changes = {
        {"new save game", [](SavegameStore& s) { return Commit(s, 0, u"new", Filled(1500, 3)); },
         {{1, keep}, {2, old}}, {{1, keep}, {2, old}, {3, Filled(1500, 3)}}},
        {"larger replacement", [](SavegameStore& s) { return Commit(s, 2, u"new", Filled(2000, 4), true); },
         {{1, keep}, {2, old}}, {{1, keep}, {2, Filled(2000, 4)}}},
        {"smaller replacement", [](SavegameStore& s) { return Commit(s, 2, u"new", Filled(500, 5), true); },
         {{1, keep}, {2, old}}, {{1, keep}, {2, Filled(500, 5)}}},
        {"removal", [](SavegameStore& s) { return s.Remove(Product, 2) == Done; }, {{1, keep}, {2, old}},
         {{1, keep}}},
    };
    for (const Change& change : changes) {
        for (auto fault : {FaultyFileSystem::Fails, FaultyFileSystem::Dies}) {
            for (int k = 1;; ++k) {
                SCOPED_TRACE(std::string(change.What) + (fault == FaultyFileSystem::Dies ? " dies" : " fails") +
                             " at operation " + std::to_string(k));
                std::filesystem::remove_all(settings.SaveFolder);
                WriteTwo();
                FaultyFileSystem files;
                bool reported = false, died = false;
                {
                    SavegameStore store(settings.SaveFolder, files);
                    files.Arm(k, fault);
                    try {
                        reported = change.Do(store);
                    } catch (const Died&) {
                        died = true;
                    }
                }
                const std::map<unsigned, Bytes> found = Contents(settings.SaveFolder);
                if (died)
                    EXPECT_TRUE(found == change.Before || found == change.After);
                else
                    EXPECT_TRUE(found == (reported ? change.After : change.Before)) << "reported " << reported;
                for (const std::string& name : Names(settings.SaveFolder))
                    EXPECT_EQ(std::string::npos, name.find(".tmp")) << name << " left behind";
                // A rebuilt catalog must come to the same, or a removal was not for good.
                std::filesystem::remove(settings.SaveFolder + "/catalog.bin");
                EXPECT_TRUE(Contents(settings.SaveFolder) == found) << "the rebuilt catalog differs";
                if (!files.Hit)
                    break;
            }
        }
    }
}

TEST_F(SavegameFolder, DamagedCatalogIsKeptAsideAndRebuiltFromTheDataFiles)
{
    const Bytes keep = Filled(300, 1), old = Filled(1000, 2);
    const std::string catalog = settings.SaveFolder + "/catalog.bin";
    auto read = [&] {
        std::ifstream in(catalog, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    };
    auto word = [](Bytes& bytes, size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    // Offsets in a catalog of version 2: magic, version, next generation, count, then the first entry's
    // product, id, generation, size, checksum and name length.
    const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damages = {
        {"a bit of the magic flipped", [](Bytes& b) { b[1] ^= 0x04; }},
        {"zero length", [](Bytes& b) { b.clear(); }},
        {"random bytes", [](Bytes& b) { for (size_t i = 0; i < b.size(); ++i) b[i] = (unsigned char)(i * 151 + 7); }},
        {"an unknown version", [&](Bytes& b) { word(b, 4, 3); }},
        {"truncated", [](Bytes& b) { b.resize(b.size() - 9); }},
        {"a name length of 2^31", [&](Bytes& b) { word(b, 36, 0x80000000u); }},
        {"a count of 2^30", [&](Bytes& b) { word(b, 12, 0x40000000u); }},
        {"a size of 600 MB", [&](Bytes& b) { word(b, 28, 600u << 20); }},
        {"a byte of a name changed", [](Bytes& b) { b[40] ^= 0x20; }},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.first);
        std::filesystem::remove_all(settings.SaveFolder);
        WriteTwo();
        Bytes damaged = read();
        damage.second(damaged);
        std::ofstream(catalog, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));

        EXPECT_EQ((std::map<unsigned, Bytes>{{1, keep}, {2, old}}), Contents(settings.SaveFolder));
        SavegameStore store(settings.SaveFolder);
        const std::vector<SavegameEntry> list = Listed(store);
        ASSERT_EQ(2u, list.size());
        EXPECT_EQ(u"keep", Text(list[0].Name.data()));
        EXPECT_TRUE(Commit(store, 0, u"next", Filled(10, 9)));
        EXPECT_EQ((std::map<unsigned, Bytes>{{1, keep}, {2, old}, {3, Filled(10, 9)}}), Contents(settings.SaveFolder))
            << "a new save game took the id of a lost one";
        std::ifstream aside(catalog + ".damaged-1", std::ios::binary);
        EXPECT_EQ(damaged, Bytes(std::istreambuf_iterator<char>(aside), {})) << "the damaged catalog was not kept";
    }
}

TEST_F(SavegameFolder, OlderCatalogPutBackLosesNoNewerSavegame)
{
    const std::string catalog = settings.SaveFolder + "/catalog.bin";
    WriteTwo();
    const std::string copy = settings.SaveFolder + "/../catalog-copy.bin";
    std::filesystem::copy_file(catalog, copy, std::filesystem::copy_options::overwrite_existing);
    SavegameStore running(settings.SaveFolder); // a game that goes on while the copy is put back
    ASSERT_TRUE(Commit(running, 2, u"newer", Filled(500, 5), true));
    ASSERT_TRUE(Commit(running, 0, u"third", Filled(20, 6)));
    std::filesystem::copy_file(copy, catalog, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(Commit(running, 3, u"later", Filled(30, 7), true));

    SavegameStore store(settings.SaveFolder);
    ASSERT_EQ(3u, Listed(store).size());
    EXPECT_EQ((std::map<unsigned, Bytes>{{1, Filled(300, 1)}, {2, Filled(500, 5)}, {3, Filled(30, 7)}}),
              Contents(settings.SaveFolder))
        << "a save game written after the copy was put back lost to an older one";
}

TEST_F(SavegameFolder, GenerationsNearTheTopNeverWrapOntoAnOldName)
{
    WriteTwo();
    // Save game 2 in a data file of generation 0xFFFFFFFE, newer than the catalog knows.
    WriteDataFile(settings.SaveFolder, 2, 0xFFFFFFFEu, u"top", Filled(40, 7));
    SavegameStore store(settings.SaveFolder);
    EXPECT_TRUE(Commit(store, 2, u"last", Filled(50, 8), true));
    EXPECT_TRUE(Commit(store, 1, u"after", Filled(60, 9), true));
    EXPECT_TRUE(Commit(store, 0, u"new", Filled(5, 1)));
    unsigned id = 2;
    std::unique_ptr<FileLock> reservation;
    EXPECT_EQ(StorageFailed, store.Reserve(Product, id, true, reservation)) << "its generations are used up";

    const std::map<unsigned, Bytes> expected = {{1, Filled(60, 9)}, {2, Filled(50, 8)}, {3, Filled(5, 1)}};
    EXPECT_EQ(expected, Contents(settings.SaveFolder));
    std::filesystem::remove(settings.SaveFolder + "/catalog.bin");
    EXPECT_EQ(expected, Contents(settings.SaveFolder)) << "the rebuilt catalog differs";
}

TEST_F(SavegameFolder, CatalogNearItsLimitRefusesAWriterInsteadOfGrowingPastIt)
{
    // 510 save games with the longest names; the 511th, through a writer, is the last a catalog holds.
    std::filesystem::create_directories(settings.SaveFolder);
    const std::u16string longest(MaxNameUnits, u'n');
    Catalog catalog;
    for (unsigned id = 1; id <= 510; ++id)
        catalog.Entries.push_back(WriteDataFile(settings.SaveFolder, id, id, longest, {}));
    catalog.NextGeneration = 511;
    const Bytes bytes = EncodeCatalog(catalog);
    std::ofstream(settings.SaveFolder + "/catalog.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    {
        SavegameStore store(settings.SaveFolder);
        EXPECT_TRUE(Commit(store, 0, longest.c_str(), Filled(1, 1)));
        unsigned id = 0;
        std::unique_ptr<FileLock> reservation;
        const Status status = store.Reserve(Product, id, false, reservation);
        EXPECT_EQ(StorageFailed, status) << "a writer of a save game the catalog could not hold";
        if (status == Done)
            store.Write(Entry(id, longest.c_str()), Filled(2, 2), std::move(reservation));
        EXPECT_TRUE(Commit(store, 7, longest.c_str(), Filled(3, 3), true)) << "a replacement needs no more room";
    }
    SavegameStore restarted(settings.SaveFolder);
    EXPECT_EQ(511u, Listed(restarted).size());
    EXPECT_FALSE(std::filesystem::exists(settings.SaveFolder + "/catalog.bin.damaged-1")) << "judged damaged";
}

TEST_F(SavegameFolder, FolderWithoutWritePermissionRefusesEveryWriterAndTellsItCannotBeRead)
{
    WriteTwo();
    FaultyFileSystem files;
    files.ReadOnly = true;
    SavegameStore store(settings.SaveFolder, files);
    for (const auto& [asked, replace] : std::vector<std::pair<unsigned, bool>>{{2, true}, {5, false}, {0, false}}) {
        SCOPED_TRACE("writer of " + std::to_string(asked) + (replace ? ", may replace" : ""));
        unsigned id = asked;
        std::unique_ptr<FileLock> reservation;
        EXPECT_EQ(StorageFailed, store.Reserve(Product, id, replace, reservation));
    }
    EXPECT_EQ(2u, Listed(store).size());

    // Without its lock file, the save games are out of reach, not gone.
    std::filesystem::remove(settings.SaveFolder + "/folder.lock");
    std::vector<SavegameEntry> list;
    EXPECT_EQ(StorageFailed, store.List(Product, list));
    Bytes data;
    EXPECT_EQ(StorageFailed, store.Read(Product, 1, data));
}

TEST_F(SavegameFolder, DamagedDataFileIsKeptAsideAndItsIdNeverGivenAgain)
{
    WriteTwo();
    std::filesystem::path data;
    for (const std::string& name : Names(settings.SaveFolder))
        if (name.rfind("4711-2-", 0) == 0)
            data = settings.SaveFolder + "/" + name;
    std::fstream(data, std::ios::in | std::ios::out | std::ios::binary).seekp(-1, std::ios::end).put('x');
    std::filesystem::remove(settings.SaveFolder + "/catalog.bin");

    SavegameStore store(settings.SaveFolder);
    EXPECT_EQ((std::map<unsigned, Bytes>{{1, Filled(300, 1)}}), Contents(settings.SaveFolder));
    EXPECT_TRUE(std::filesystem::exists(data.string() + ".damaged"));
    EXPECT_TRUE(Commit(store, 0, u"next", Filled(10, 9)));
    EXPECT_EQ((std::vector<unsigned>{1, 3}), [&] {
        std::vector<unsigned> ids;
        for (const SavegameEntry& entry : Listed(store))
            ids.push_back(entry.SavegameId);
        return ids;
    }());
}

TEST_F(SavegameFolder, FolderOfTheFirstVersionIsReadAndKept)
{
    std::filesystem::create_directories(settings.SaveFolder);
    // "TDLC", version 1, one save game: product 4711, id 7, 3 bytes, the name "v1".
    const Bytes catalog = {'T', 'D', 'L', 'C', 1, 0, 0, 0, 1, 0, 0, 0, 0x67, 0x12, 0, 0, 7, 0, 0, 0,
                           3,   0,   0,   0,   2, 0, 0, 0, 'v', 0, '1', 0};
    std::ofstream(settings.SaveFolder + "/catalog.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(catalog.data()), std::streamsize(catalog.size()));
    std::ofstream(settings.SaveFolder + "/4711-7.sav", std::ios::binary) << "old";
    SavegameStore store(settings.SaveFolder);
    EXPECT_TRUE(Commit(store, 0, u"next", Filled(1, 8)));
    EXPECT_EQ((std::map<unsigned, Bytes>{{7, {'o', 'l', 'd'}}, {8, Filled(1, 8)}}), Contents(settings.SaveFolder));
    EXPECT_EQ(u"v1", Text(Listed(store)[0].Name.data()));
}

} // namespace

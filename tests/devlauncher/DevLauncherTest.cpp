// The development launcher's own behaviour, on a folder of each test's own:
// when it answers, what it answers, and what its save games are after a
// restart (a new launcher over the same folder).

#include "DevLauncher.h"

#include "kz/tesmaclient/Listeners.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
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

} // namespace

#pragma once

// A game-side listener for all seven answers that records each one.

#include "kz/tesmaclient/TesmaClient.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace testsupport {

enum class AnswerKind { LoginDetails, TesmaServer, SavegameReader, SavegameWriter, SavegameList, RemoveSavegame,
                        NetworkTraffic };

struct Answer {
    AnswerKind Kind;
    unsigned RequestId;
    unsigned Values[4];
    // The reader, writer or first list entry handed over.
    void* Object;
};

class RecordingListener : public kz::tesmaclient::IGetLoginDetailsListener,
                          public kz::tesmaclient::IGetTesmaServerListener,
                          public kz::tesmaclient::IGetSavegameReaderListener,
                          public kz::tesmaclient::IGetSavegameWriterListener,
                          public kz::tesmaclient::IGetSavegameListListener,
                          public kz::tesmaclient::IRemoveSavegameListener,
                          public kz::tesmaclient::IGetNetworkTrafficListener {
public:
    std::vector<Answer> Answers;
    // What every method returns.
    bool Result = true;
    // Runs inside each method, after the answer is recorded.
    std::function<void(const Answer&)> OnAnswer;

    bool OnGetLoginDetails(unsigned requestId, unsigned a, unsigned b, unsigned c) override
    {
        return Record({AnswerKind::LoginDetails, requestId, {a, b, c, 0}, nullptr});
    }
    bool OnGetTesmaServer(unsigned requestId, unsigned a) override
    {
        return Record({AnswerKind::TesmaServer, requestId, {a, 0, 0, 0}, nullptr});
    }
    bool OnGetSavegameReader(unsigned requestId, unsigned a, kz::tesmaclient::SavegameReader* reader) override
    {
        return Record({AnswerKind::SavegameReader, requestId, {a, 0, 0, 0}, reader});
    }
    bool OnGetSavegameWriter(unsigned requestId, unsigned a, kz::tesmaclient::SavegameWriter* writer) override
    {
        return Record({AnswerKind::SavegameWriter, requestId, {a, 0, 0, 0}, writer});
    }
    bool OnGetSavegameList(unsigned requestId, kz::tesmaclient::SavegameInfo* savegames, unsigned count) override
    {
        return Record({AnswerKind::SavegameList, requestId, {count, 0, 0, 0}, savegames});
    }
    bool OnRemoveSavegame(unsigned requestId, unsigned a) override
    {
        return Record({AnswerKind::RemoveSavegame, requestId, {a, 0, 0, 0}, nullptr});
    }
    bool OnGetNetworkTraffic(unsigned requestId, unsigned a, unsigned b, unsigned c, unsigned d) override
    {
        return Record({AnswerKind::NetworkTraffic, requestId, {a, b, c, d}, nullptr});
    }

private:
    bool Record(const Answer& answer)
    {
        Answers.push_back(answer);
        if (OnAnswer)
            OnAnswer(answer);
        return Result;
    }
};

// Sends client a request of kind under requestId, with listener for its answer.
inline void SendRequest(kz::tesmaclient::TesmaClient& client, AnswerKind kind, unsigned requestId,
                        RecordingListener* listener)
{
    switch (kind) {
    case AnswerKind::LoginDetails: client.GetLoginDetails(requestId, listener); break;
    case AnswerKind::TesmaServer: client.GetTesmaServer(requestId, listener, 0, 0); break;
    case AnswerKind::SavegameReader: client.GetSavegameReader(requestId, listener, 0, 0); break;
    case AnswerKind::SavegameWriter: client.GetSavegameWriter(requestId, listener, 0, 0, false); break;
    case AnswerKind::SavegameList: client.GetSavegameList(requestId, listener, 0); break;
    case AnswerKind::RemoveSavegame: client.RemoveSavegame(requestId, listener, 0, 0); break;
    case AnswerKind::NetworkTraffic: client.GetNetworkTraffic(requestId, listener); break;
    }
}

constexpr AnswerKind AllAnswerKinds[] = {AnswerKind::LoginDetails,   AnswerKind::TesmaServer,
                                         AnswerKind::SavegameReader, AnswerKind::SavegameWriter,
                                         AnswerKind::SavegameList,   AnswerKind::RemoveSavegame,
                                         AnswerKind::NetworkTraffic};

} // namespace testsupport

#pragma once

// The scenarios of the fake tesmaclient-host.exe (FakePeers.cpp), which
// `relay_session --fake-host` runs one per binding, in this order. The fake
// host answers the hello and every call as the host does, except the one
// reply its scenario breaks; it reads the scenario from the variable
// TESMA_FAKE_HOST (one digit) that the game sets before it binds.

enum FakeHostScenario {
    // GetRequestUniqueId's reply:
    ReplyCutShort,   // the value without the count of answers
    FrameBeyondArea, // a frame whose piece runs past the end of its area
    TotalTooLarge,   // a frame announcing a message above MaxMessageBytes
    SequenceSkipped, // the reply announced with the sequence raised by two
    // Update's reply, with a login-details request asked: a good answer to
    // it, then
    UnknownRequestKind, // an answer of a request kind that does not exist
    SessionNeverIssued, // an answer to session 2, where 1 was issued
    TokenNeverIssued,   // a write's report under a token never handed out
    // GetLocText's reply:
    TextWithoutNul, // the text's NUL replaced by a letter
    // The hello (last: a failed binding lasts for its process):
    HelloTextWithoutNul,
    FakeHostScenarioCount
};

#include "DevLauncher.h"

#include "LocTexts.h"

#include "kz/tesmaclient/Listeners.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace devlauncher {

DevLauncher::DevLauncher(const Settings& settings)
    : m_store(settings.SaveFolder), m_answerInline(settings.AnswerInline)
{
}

DevLauncher::~DevLauncher() = default;

SessionHandle DevLauncher::GetSession()
{
    return ++m_lastSession;
}

bool DevLauncher::IsSession(SessionHandle session) const
{
    return session != 0 && session <= m_lastSession;
}

void DevLauncher::Queue(SessionHandle session, std::function<void()> answer)
{
    if (m_answerInline)
        answer();
    else
        m_pending.push_back({session, std::move(answer)});
}

void DevLauncher::Update(SessionHandle session)
{
    // Answers queued by the listeners it calls wait for the next Update, so
    // that a listener asking again cannot keep one Update going for ever.
    if (m_updating || !IsSession(session))
        return;
    m_updating = true;
    std::vector<Pending> due;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->Session == session) {
            due.push_back(std::move(*it));
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    for (Pending& pending : due)
        pending.Answer();
    m_updating = false;
}

unsigned DevLauncher::GetRequestUniqueId(SessionHandle session)
{
    return IsSession(session) ? ++m_lastRequestId : 0;
}

bool DevLauncher::StartLauncher(SessionHandle session)
{
    return IsSession(session); // this launcher is running whenever it is loaded
}

const unsigned short* DevLauncher::GetLocText(SessionHandle session, const unsigned short* key, const char* locale)
{
    const unsigned short* text = IsSession(session) ? FindLocText(key, locale) : nullptr;
    return text != nullptr ? text : key;
}

void DevLauncher::GetLoginDetails(SessionHandle session, unsigned requestId,
                                  tesmadll::IGetLoginDetailsListener* listener)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] { listener->OnGetLoginDetails(requestId, LoginSignedIn, LoginAccountId, LoginFlags); });
}

void DevLauncher::GetTesmaServer(SessionHandle session, unsigned requestId,
                                 tesmadll::IGetTesmaServerListener* listener)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] { listener->OnGetTesmaServer(requestId, ServerAddress); });
}

void DevLauncher::GetSavegameReader(SessionHandle session, unsigned requestId,
                                    tesmadll::IGetSavegameReaderListener* listener, unsigned productId,
                                    unsigned savegameId)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] {
        Reader reader{session, {}};
        if (m_store.Find(productId, savegameId) == nullptr) {
            listener->OnGetSavegameReader(requestId, UnknownSavegame, 0);
            return;
        }
        if (!m_store.Read(productId, savegameId, reader.Data)) {
            listener->OnGetSavegameReader(requestId, StorageFailed, 0);
            return;
        }
        const unsigned size = unsigned(reader.Data.size());
        const SavegameHandle handle = ++m_lastHandle;
        m_readers.emplace(handle, std::move(reader));
        listener->OnGetSavegameReader(requestId, size, handle);
    });
}

void DevLauncher::GetSavegameWriter(SessionHandle session, unsigned requestId,
                                    tesmadll::IGetSavegameWriterListener* listener, unsigned productId,
                                    unsigned savegameId, bool replace)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] {
        if (savegameId != 0 && !replace && m_store.Find(productId, savegameId) != nullptr) {
            listener->OnGetSavegameWriter(requestId, SavegameExists, 0);
            return;
        }
        const unsigned id = savegameId != 0 ? savegameId : m_store.NewSavegameId(productId);
        const SavegameHandle handle = ++m_lastHandle;
        m_writers.emplace(handle, Writer{session, productId, id, {0}, {}});
        listener->OnGetSavegameWriter(requestId, id, handle);
    });
}

void DevLauncher::GetSavegameList(SessionHandle session, unsigned requestId,
                                  tesmadll::IGetSavegameListListener* listener, unsigned productId)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] {
        const List& list = AnswerList(productId);
        listener->OnGetSavegameList(requestId, list.Elements.data(), unsigned(list.Elements.size()));
    });
}

const DevLauncher::List& DevLauncher::AnswerList(unsigned productId)
{
    auto list = std::make_unique<List>();
    list->ProductId = productId;
    list->Entries = m_store.List(productId);
    // The same save games answer with the same list, so that a game asking
    // every frame does not make the launcher grow.
    for (auto it = m_lists.rbegin(); it != m_lists.rend(); ++it)
        if ((*it)->ProductId == productId && (*it)->Entries == list->Entries)
            return **it;
    for (const SavegameEntry& entry : list->Entries)
        list->Elements.push_back(entry.SavegameId);
    list->Elements.reserve(1); // an empty list still has an address
    m_listsByAddress[list->Elements.data()] = list.get();
    m_lists.push_back(std::move(list));
    return *m_lists.back();
}

void DevLauncher::RemoveSavegame(SessionHandle session, unsigned requestId,
                                 tesmadll::IRemoveSavegameListener* listener, unsigned productId,
                                 unsigned savegameId)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] {
        Status status = Done;
        if (m_store.Find(productId, savegameId) == nullptr)
            status = UnknownSavegame;
        else if (!m_store.Remove(productId, savegameId))
            status = StorageFailed;
        listener->OnRemoveSavegame(requestId, status);
    });
}

void DevLauncher::GetNetworkTraffic(SessionHandle session, unsigned requestId,
                                    tesmadll::IGetNetworkTrafficListener* listener)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    // Offline: nothing was sent or received.
    Queue(session, [=] { listener->OnGetNetworkTraffic(requestId, 0, 0, 0, 0); });
}

void DevLauncher::ReaderRead(SavegameHandle reader, unsigned requestId,
                             kz::tesmaclient::ISavegameReadListener* listener, unsigned offset, void* buffer,
                             unsigned length)
{
    auto found = m_readers.find(reader);
    if (found == m_readers.end() || listener == nullptr)
        return;
    // The bytes are copied when the answer is given, as a launcher reading from
    // a disk or a server would: a game must not look at the buffer before.
    Queue(found->second.Session, [=] {
        auto open = m_readers.find(reader);
        if (open == m_readers.end()) {
            listener->OnSavegameRead(requestId, UnknownSavegame, 0);
            return;
        }
        if (buffer == nullptr && length != 0) {
            listener->OnSavegameRead(requestId, BadArgument, 0);
            return;
        }
        const std::vector<unsigned char>& data = open->second.Data;
        const size_t start = std::min<size_t>(offset, data.size());
        const size_t count = std::min<size_t>(length, data.size() - start);
        if (count != 0)
            std::memcpy(buffer, data.data() + start, count);
        listener->OnSavegameRead(requestId, Done, unsigned(count));
    });
}

void DevLauncher::ReaderClose(SavegameHandle reader)
{
    m_readers.erase(reader);
}

bool DevLauncher::WriterSetName(SavegameHandle writer, const unsigned short* name)
{
    auto found = m_writers.find(writer);
    if (found == m_writers.end() || name == nullptr)
        return false;
    std::vector<unsigned short>& copy = found->second.Name;
    copy.clear();
    for (; *name != 0; ++name)
        copy.push_back(*name);
    copy.push_back(0);
    return true;
}

void DevLauncher::WriterWrite(SavegameHandle writer, unsigned requestId,
                              kz::tesmaclient::ISavegameWriteListener* listener, const void* data, unsigned length)
{
    auto found = m_writers.find(writer);
    if (found == m_writers.end())
        return;
    // The bytes are taken now, so that a Close(true) right after the call
    // commits them without waiting for the answer.
    Status status = Done;
    if (data == nullptr && length != 0) {
        status = BadArgument;
        length = 0;
    } else {
        const auto* bytes = static_cast<const unsigned char*>(data);
        found->second.Data.insert(found->second.Data.end(), bytes, bytes + length);
    }
    if (listener != nullptr)
        Queue(found->second.Session, [=] { listener->OnSavegameWrite(requestId, status, length); });
}

void DevLauncher::WriterClose(SavegameHandle writer, bool commit)
{
    auto found = m_writers.find(writer);
    if (found == m_writers.end())
        return;
    const Writer& closing = found->second;
    // Nothing answers a close: a failed commit shows in the next list.
    if (commit)
        m_store.Write(closing.ProductId, closing.SavegameId, closing.Name, closing.Data);
    m_writers.erase(found);
}

const SavegameEntry* DevLauncher::FindEntry(SavegameHandle info) const
{
    const auto* element = reinterpret_cast<const unsigned*>(info);
    auto after = m_listsByAddress.upper_bound(element);
    if (after == m_listsByAddress.begin())
        return nullptr;
    const List& list = *std::prev(after)->second;
    // Compared as numbers: the address need not point into the list at all.
    const SavegameHandle first = reinterpret_cast<SavegameHandle>(list.Elements.data());
    const SavegameHandle index = (info - first) / sizeof(unsigned);
    if ((info - first) % sizeof(unsigned) != 0 || index >= list.Elements.size())
        return nullptr;
    return &list.Entries[index];
}

const unsigned short* DevLauncher::InfoGetName(SavegameHandle info) const
{
    const SavegameEntry* entry = FindEntry(info);
    return entry != nullptr ? entry->Name.data() : nullptr;
}

unsigned DevLauncher::InfoGetProductId(SavegameHandle info) const
{
    const SavegameEntry* entry = FindEntry(info);
    return entry != nullptr ? entry->ProductId : 0xFFFFFFFFu;
}

unsigned DevLauncher::InfoGetSavegameId(SavegameHandle info) const
{
    const SavegameEntry* entry = FindEntry(info);
    return entry != nullptr ? entry->SavegameId : 0xFFFFFFFFu;
}

unsigned DevLauncher::InfoGetSize(SavegameHandle info) const
{
    const SavegameEntry* entry = FindEntry(info);
    return entry != nullptr ? entry->Size : 0;
}

} // namespace devlauncher

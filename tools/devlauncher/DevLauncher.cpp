#include "DevLauncher.h"

#include "LocTexts.h"

#include "kz/tesmaclient/Listeners.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

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
        const Status status = m_store.Read(productId, savegameId, reader.Data);
        if (status != Done) {
            listener->OnGetSavegameReader(requestId, status, 0);
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
        Writer writer;
        writer.Session = session;
        writer.Written.ProductId = productId;
        writer.Written.SavegameId = savegameId;
        const Status status = m_store.Reserve(productId, writer.Written.SavegameId, replace, writer.Reservation);
        if (status != Done) {
            listener->OnGetSavegameWriter(requestId, status, 0);
            return;
        }
        const unsigned id = writer.Written.SavegameId;
        const SavegameHandle handle = ++m_lastHandle;
        m_writers.emplace(handle, std::move(writer));
        listener->OnGetSavegameWriter(requestId, id, handle);
    });
}

void DevLauncher::GetSavegameList(SessionHandle session, unsigned requestId,
                                  tesmadll::IGetSavegameListListener* listener, unsigned productId)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] {
        // A folder that cannot be read answers no list at all, unlike an empty one.
        const List* list = AnswerList(productId);
        if (list == nullptr)
            listener->OnGetSavegameList(requestId, nullptr, 0);
        else
            listener->OnGetSavegameList(requestId, list->Elements.data(), unsigned(list->Elements.size()));
    });
}

const DevLauncher::List* DevLauncher::AnswerList(unsigned productId)
{
    auto list = std::make_unique<List>();
    list->ProductId = productId;
    if (m_store.List(productId, list->Entries) != Done)
        return nullptr;
    // The same save games answer with the same list, so that a game asking
    // every frame does not make the launcher grow.
    for (auto it = m_lists.rbegin(); it != m_lists.rend(); ++it)
        if ((*it)->ProductId == productId && (*it)->Entries == list->Entries)
            return it->get();
    for (const SavegameEntry& entry : list->Entries)
        list->Elements.push_back(entry.SavegameId);
    list->Elements.reserve(1); // an empty list still has an address
    m_listsByAddress[list->Elements.data()] = list.get();
    m_lists.push_back(std::move(list));
    return m_lists.back().get();
}

void DevLauncher::RemoveSavegame(SessionHandle session, unsigned requestId,
                                 tesmadll::IRemoveSavegameListener* listener, unsigned productId,
                                 unsigned savegameId)
{
    if (!IsSession(session) || listener == nullptr)
        return;
    Queue(session, [=] { listener->OnRemoveSavegame(requestId, m_store.Remove(productId, savegameId)); });
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
    // A name the catalog could not hold is refused rather than lost later.
    size_t units = 0;
    while (name[units] != 0)
        if (++units > MaxNameUnits)
            return false;
    found->second.Written.Name.assign(name, name + units + 1);
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
    } else if (found->second.Failed || !Append(found->second, data, length)) {
        found->second.Failed = true;
        status = StorageFailed;
        length = 0;
    }
    if (listener != nullptr)
        Queue(found->second.Session, [=] { listener->OnSavegameWrite(requestId, status, length); });
}

void DevLauncher::WriterClose(SavegameHandle writer, bool commit)
{
    auto found = m_writers.find(writer);
    if (found == m_writers.end())
        return;
    Writer& closing = found->second;
    // Nothing answers a close: a failed commit shows in the next list.
    if (commit && !closing.Failed)
        m_store.Write(closing.Written, closing.Data, std::move(closing.Reservation));
    else
        m_store.Release(closing.Written.ProductId, closing.Written.SavegameId, std::move(closing.Reservation));
    m_writers.erase(found);
}

bool DevLauncher::Append(Writer& writer, const void* data, unsigned length)
{
    std::vector<unsigned char>& bytes = writer.Data;
    if (length > MaxSavegameSize - bytes.size())
        return false;
    const auto* begin = static_cast<const unsigned char*>(data);
    try {
        // Doubling is capped at the largest save game, which a 32-bit process can still hold.
        if (bytes.capacity() - bytes.size() < length)
            bytes.reserve(std::min<size_t>(MaxSavegameSize, std::max<size_t>(bytes.size() + length, 2 * bytes.capacity())));
        bytes.insert(bytes.end(), begin, begin + length);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
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

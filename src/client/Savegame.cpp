#include "kz/tesmaclient/Savegame.h"

#include "client/CallGuards.h"
#include "client/SavegameFactory.h"

#include "containers/Allocate.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace kz {
namespace tesmaclient {

namespace {

// A save-game object reaches the launcher only under the binding it was made in.
LauncherCall CallFor(const SavegameHandleCell& cell) noexcept
{
    return LauncherCall::ForSavegame(cell.Handle, cell.Binding);
}

} // namespace

SavegameInfo::SavegameInfo() noexcept : m_cell(common::New<SavegameHandleCell>(SavegameHandleCell{0, 0})) {}
SavegameInfo::~SavegameInfo()
{
    common::Delete(m_cell);
}

SavegameReader::SavegameReader() noexcept : m_cell(common::New<SavegameHandleCell>(SavegameHandleCell{0, 0})) {}
SavegameReader::~SavegameReader()
{
    common::Delete(m_cell);
}

SavegameWriter::SavegameWriter() noexcept : m_cell(common::New<SavegameHandleCell>(SavegameHandleCell{0, 0})) {}
SavegameWriter::~SavegameWriter()
{
    common::Delete(m_cell);
}

SavegameReader* SavegameFactory::NewReader(SavegameHandle handle, std::uint32_t binding) noexcept
{
    SavegameReader* reader = new (common::Allocate(sizeof(SavegameReader))) SavegameReader();
    *reader->m_cell = SavegameHandleCell{handle, binding};
    return reader;
}

SavegameWriter* SavegameFactory::NewWriter(SavegameHandle handle, std::uint32_t binding) noexcept
{
    SavegameWriter* writer = new (common::Allocate(sizeof(SavegameWriter))) SavegameWriter();
    *writer->m_cell = SavegameHandleCell{handle, binding};
    return writer;
}

SavegameInfo* SavegameFactory::NewList(const void* list, unsigned int count, std::uint32_t binding) noexcept
{
    // The block as array new lays it out: the count in a size_t word (32 bits
    // on the target), then the objects. A block size beyond 32 bits cannot be
    // had, on every build as on the target.
    static_assert(sizeof(SavegameInfo) == sizeof(void*), "a list entry is one pointer wide");
    if (count > (0xFFFFFFFFu - sizeof(std::size_t)) / sizeof(SavegameInfo))
        common::FatalError();
    void* block = common::Allocate(sizeof(std::size_t) + std::size_t(count) * sizeof(SavegameInfo));
    *static_cast<std::size_t*>(block) = count;
    SavegameInfo* infos = reinterpret_cast<SavegameInfo*>(static_cast<std::size_t*>(block) + 1);
    const SavegameHandle first = reinterpret_cast<SavegameHandle>(list);
    for (unsigned int i = 0; i < count; ++i) {
        new (infos + i) SavegameInfo();
        *infos[i].m_cell = SavegameHandleCell{first + SavegameHandle(4) * i, binding};
    }
    return infos;
}

// Their destructors are private to the factory, hence no common::Delete.
void SavegameFactory::Release(SavegameReader* reader) noexcept
{
    if (reader == nullptr)
        return;
    reader->~SavegameReader();
    std::free(reader);
}

void SavegameFactory::Release(SavegameWriter* writer) noexcept
{
    if (writer == nullptr)
        return;
    writer->~SavegameWriter();
    std::free(writer);
}

namespace {

template <typename Function, typename... Args>
bool ForwardKept(const LauncherCall& call, Function EntryPoints::*entryPoint, Retained& kept, Args... args) noexcept
{
    Function function = call.EntryPoint(entryPoint);
    if (function == nullptr)
        return false;
    // Kept first: the report may come before the call returns.
    LauncherApi::Instance().Retain(kept);
    function(call.Handle(), args...);
    return true;
}

} // namespace

bool SavegameFactory::ReadFor(SavegameReader& reader, unsigned int requestId, ISavegameReadListener* listener,
                              Retained& kept, unsigned int a, void* buffer, unsigned int b) noexcept
{
    return ForwardKept(CallFor(*reader.m_cell), &EntryPoints::SaveGameReaderRead, kept, requestId, listener, a,
                       buffer, b);
}

bool SavegameFactory::WriteFor(SavegameWriter& writer, unsigned int requestId, ISavegameWriteListener* listener,
                               Retained& kept, void* buffer, unsigned int size) noexcept
{
    return ForwardKept(CallFor(*writer.m_cell), &EntryPoints::SaveGameWriterWrite, kept, requestId, listener,
                       buffer, size);
}

bool SavegameFactory::IsOpen(const SavegameHandleCell& cell) noexcept
{
    LauncherApi* api = LauncherApi::Existing();
    return cell.Handle != 0 && api != nullptr && api->IsCurrentBinding(cell.Binding);
}

unsigned int SavegameFactory::ListCount(const SavegameInfo* list) noexcept
{
    return unsigned(reinterpret_cast<const std::size_t*>(list)[-1]);
}

void SavegameFactory::ReleaseList(SavegameInfo* list) noexcept
{
    if (list == nullptr)
        return;
    const unsigned int count = ListCount(list);
    for (unsigned int i = 0; i < count; ++i)
        list[i].~SavegameInfo();
    std::free(reinterpret_cast<std::size_t*>(list) - 1);
}

void SavegameReader::Read(unsigned int requestId, ISavegameReadListener* listener, unsigned int a, void* buffer,
                          unsigned int b) noexcept
{
    Forward(CallFor(*m_cell), &EntryPoints::SaveGameReaderRead, requestId, listener, a, buffer, b);
}

void SavegameReader::Close() noexcept
{
    Forward(CallFor(*m_cell), &EntryPoints::SaveGameReaderClose);
}

bool SavegameWriter::SetName(unsigned short* name) noexcept
{
    return ForwardOr(false, CallFor(*m_cell), &EntryPoints::SaveGameWriterSetName, name);
}

void SavegameWriter::Write(unsigned int requestId, ISavegameWriteListener* listener, void* buffer, unsigned int size) noexcept
{
    Forward(CallFor(*m_cell), &EntryPoints::SaveGameWriterWrite, requestId, listener, buffer, size);
}

void SavegameWriter::Close(bool flag) noexcept
{
    Forward(CallFor(*m_cell), &EntryPoints::SaveGameWriterClose, flag);
}

bool SavegameReader::IsOpen() noexcept
{
    return SavegameFactory::IsOpen(*m_cell);
}

void SavegameReader::Release(SavegameReader* reader) noexcept
{
    SavegameFactory::Release(reader);
}

bool SavegameWriter::IsOpen() noexcept
{
    return SavegameFactory::IsOpen(*m_cell);
}

void SavegameWriter::Release(SavegameWriter* writer) noexcept
{
    SavegameFactory::Release(writer);
}

void SavegameInfo::ReleaseList(SavegameInfo* savegames) noexcept
{
    SavegameFactory::ReleaseList(savegames);
}

const unsigned short* SavegameInfo::GetName() noexcept
{
    return ForwardOr(static_cast<const unsigned short*>(nullptr), CallFor(*m_cell),
                     &EntryPoints::SaveGameInfoGetName);
}

unsigned int SavegameInfo::GetProductId() noexcept
{
    return ForwardOr(0xFFFFFFFFu, CallFor(*m_cell), &EntryPoints::SaveGameInfoGetProductId);
}

unsigned int SavegameInfo::GetSavegameId() noexcept
{
    return ForwardOr(0xFFFFFFFFu, CallFor(*m_cell), &EntryPoints::SaveGameInfoGetSavegameId);
}

unsigned int SavegameInfo::GetSize() noexcept
{
    return ForwardOr(0u, CallFor(*m_cell), &EntryPoints::SaveGameInfoGetSize);
}

} // namespace tesmaclient
} // namespace kz

#include "kz/tesmaclient/Savegame.h"

#include "client/Forward.h"
#include "client/SavegameFactory.h"

#include <new>

namespace kz {
namespace tesmaclient {

SavegameInfo::SavegameInfo() : m_cell(new SavegameHandleCell{0}) {}
SavegameInfo::~SavegameInfo()
{
    delete m_cell;
}

SavegameReader::SavegameReader() : m_cell(new SavegameHandleCell{0}) {}
SavegameReader::~SavegameReader()
{
    delete m_cell;
}

SavegameWriter::SavegameWriter() : m_cell(new SavegameHandleCell{0}) {}
SavegameWriter::~SavegameWriter()
{
    delete m_cell;
}

SavegameReader* SavegameFactory::NewReader(SavegameHandle handle)
{
    SavegameReader* reader = new SavegameReader();
    reader->m_cell->Handle = handle;
    return reader;
}

SavegameWriter* SavegameFactory::NewWriter(SavegameHandle handle)
{
    SavegameWriter* writer = new SavegameWriter();
    writer->m_cell->Handle = handle;
    return writer;
}

SavegameInfo* SavegameFactory::NewList(const void* list, unsigned int count)
{
    // The block's size, count words plus the count itself, must fit 32 bits on
    // every build, as it does on the target.
    if (count > (0xFFFFFFFFu - 4) / 4)
        throw std::bad_array_new_length();
    SavegameInfo* infos = new SavegameInfo[count];
    const SavegameHandle first = reinterpret_cast<SavegameHandle>(list);
    for (unsigned int i = 0; i < count; ++i)
        infos[i].m_cell->Handle = first + SavegameHandle(4) * i;
    return infos;
}

void SavegameReader::Read(unsigned int requestId, ISavegameReadListener* listener, unsigned int a, void* buffer,
                          unsigned int b)
{
    Forward(m_cell->Handle, &EntryPoints::SaveGameReaderRead, requestId, listener, a, buffer, b);
}

void SavegameReader::Close()
{
    Forward(m_cell->Handle, &EntryPoints::SaveGameReaderClose);
}

bool SavegameWriter::SetName(unsigned short* name)
{
    return ForwardOr(false, m_cell->Handle, &EntryPoints::SaveGameWriterSetName, name);
}

void SavegameWriter::Write(unsigned int requestId, ISavegameWriteListener* listener, void* buffer, unsigned int size)
{
    Forward(m_cell->Handle, &EntryPoints::SaveGameWriterWrite, requestId, listener, buffer, size);
}

void SavegameWriter::Close(bool flag)
{
    Forward(m_cell->Handle, &EntryPoints::SaveGameWriterClose, flag);
}

const unsigned short* SavegameInfo::GetName()
{
    return ForwardOr(static_cast<const unsigned short*>(nullptr), m_cell->Handle,
                     &EntryPoints::SaveGameInfoGetName);
}

unsigned int SavegameInfo::GetProductId()
{
    return ForwardOr(0xFFFFFFFFu, m_cell->Handle, &EntryPoints::SaveGameInfoGetProductId);
}

unsigned int SavegameInfo::GetSavegameId()
{
    return ForwardOr(0xFFFFFFFFu, m_cell->Handle, &EntryPoints::SaveGameInfoGetSavegameId);
}

unsigned int SavegameInfo::GetSize()
{
    return ForwardOr(0u, m_cell->Handle, &EntryPoints::SaveGameInfoGetSize);
}

} // namespace tesmaclient
} // namespace kz

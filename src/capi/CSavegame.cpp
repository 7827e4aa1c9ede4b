// The save-game objects of the C interface: the C++ objects themselves, seen
// through opaque types, and released by the library on the caller's word.

#include "kz/tesmaclient/tesmaclient_c.h"

#include "capi/ReportAdapter.h"
#include "client/SavegameFactory.h"

using kz::tesmaclient::SavegameFactory;
using kz::tesmaclient::SavegameInfo;
using kz::tesmaclient::SavegameReader;
using kz::tesmaclient::SavegameWriter;

namespace {

SavegameReader* AsCxx(tesmaclient_reader* reader) noexcept
{
    return reinterpret_cast<SavegameReader*>(reader);
}

SavegameWriter* AsCxx(tesmaclient_writer* writer) noexcept
{
    return reinterpret_cast<SavegameWriter*>(writer);
}

// Entry index of list, or null past its end. SavegameInfo's members are not
// const: they are forwards, reading nothing of the object but its handle.
SavegameInfo* Entry(const tesmaclient_savegame_list* list, unsigned int index) noexcept
{
    SavegameInfo* entries = reinterpret_cast<SavegameInfo*>(const_cast<tesmaclient_savegame_list*>(list));
    return index < SavegameFactory::ListCount(entries) ? entries + index : nullptr;
}

} // namespace

extern "C" {

int KZ_TESMACLIENT_CDECL tesmaclient_reader_is_open(const tesmaclient_reader* reader)
{
    return AsCxx(const_cast<tesmaclient_reader*>(reader))->IsOpen() ? 1 : 0;
}

int KZ_TESMACLIENT_CDECL tesmaclient_writer_is_open(const tesmaclient_writer* writer)
{
    return AsCxx(const_cast<tesmaclient_writer*>(writer))->IsOpen() ? 1 : 0;
}

int KZ_TESMACLIENT_CDECL tesmaclient_reader_read_with_callback(tesmaclient_reader* reader, unsigned int request_id,
                                                               tesmaclient_read_callback callback, void* user,
                                                               unsigned int offset, void* buffer, unsigned int length)
{
    auto* report = kz::common::New<kz::capi::ReadReport>(callback, user);
    if (SavegameFactory::ReadFor(*AsCxx(reader), request_id, report, *report, offset, buffer, length))
        return 1;
    kz::common::Delete(report);
    return 0;
}

int KZ_TESMACLIENT_CDECL tesmaclient_writer_write_with_callback(tesmaclient_writer* writer, unsigned int request_id,
                                                                tesmaclient_write_callback callback, void* user,
                                                                const void* buffer, unsigned int size)
{
    auto* report = kz::common::New<kz::capi::WriteReport>(callback, user);
    if (SavegameFactory::WriteFor(*AsCxx(writer), request_id, report, *report, const_cast<void*>(buffer), size))
        return 1;
    kz::common::Delete(report);
    return 0;
}

void KZ_TESMACLIENT_CDECL tesmaclient_reader_read(tesmaclient_reader* reader, unsigned int request_id, void* listener,
                                                  unsigned int a, void* buffer, unsigned int b)
{
    AsCxx(reader)->Read(request_id, static_cast<kz::tesmaclient::ISavegameReadListener*>(listener), a, buffer, b);
}

void KZ_TESMACLIENT_CDECL tesmaclient_reader_close(tesmaclient_reader* reader)
{
    AsCxx(reader)->Close();
}

void KZ_TESMACLIENT_CDECL tesmaclient_reader_release(tesmaclient_reader* reader)
{
    SavegameFactory::Release(AsCxx(reader));
}

int KZ_TESMACLIENT_CDECL tesmaclient_writer_set_name(tesmaclient_writer* writer, const unsigned short* name)
{
    return AsCxx(writer)->SetName(const_cast<unsigned short*>(name)) ? 1 : 0;
}

void KZ_TESMACLIENT_CDECL tesmaclient_writer_write(tesmaclient_writer* writer, unsigned int request_id,
                                                   void* listener, const void* buffer, unsigned int size)
{
    AsCxx(writer)->Write(request_id, static_cast<kz::tesmaclient::ISavegameWriteListener*>(listener),
                         const_cast<void*>(buffer), size);
}

void KZ_TESMACLIENT_CDECL tesmaclient_writer_close(tesmaclient_writer* writer, int flag)
{
    AsCxx(writer)->Close(flag != 0);
}

void KZ_TESMACLIENT_CDECL tesmaclient_writer_release(tesmaclient_writer* writer)
{
    SavegameFactory::Release(AsCxx(writer));
}

const unsigned short* KZ_TESMACLIENT_CDECL tesmaclient_savegame_list_get_name(const tesmaclient_savegame_list* list,
                                                                              unsigned int index)
{
    SavegameInfo* entry = Entry(list, index);
    return entry != nullptr ? entry->GetName() : nullptr;
}

unsigned int KZ_TESMACLIENT_CDECL tesmaclient_savegame_list_get_product_id(const tesmaclient_savegame_list* list,
                                                                           unsigned int index)
{
    SavegameInfo* entry = Entry(list, index);
    return entry != nullptr ? entry->GetProductId() : 0xFFFFFFFFu;
}

unsigned int KZ_TESMACLIENT_CDECL tesmaclient_savegame_list_get_savegame_id(const tesmaclient_savegame_list* list,
                                                                            unsigned int index)
{
    SavegameInfo* entry = Entry(list, index);
    return entry != nullptr ? entry->GetSavegameId() : 0xFFFFFFFFu;
}

unsigned int KZ_TESMACLIENT_CDECL tesmaclient_savegame_list_get_size(const tesmaclient_savegame_list* list,
                                                                     unsigned int index)
{
    SavegameInfo* entry = Entry(list, index);
    return entry != nullptr ? entry->GetSize() : 0u;
}

void KZ_TESMACLIENT_CDECL tesmaclient_savegame_list_release(tesmaclient_savegame_list* list)
{
    SavegameFactory::ReleaseList(reinterpret_cast<SavegameInfo*>(list));
}

} // extern "C"

// The C interface of tesmaclient.dll and tesmaclient64.dll
// (include/kz/tesmaclient/tesmaclient_c.h) for C#: one declaration per
// function, __cdecl, under its exported name. Native calls the library of the
// process's width, so one build serves x86, x64 and AnyCPU: a 32-bit game
// ships tesmaclient.dll, a 64-bit one tesmaclient64.dll with
// tesmaclient-host.exe and the 32-bit tesmaclient.dll beside it (the three
// files serve a game of either width). Handles are IntPtr; wide texts are
// UTF-16 (read them with Marshal.PtrToStringUni). Keep every delegate handed
// to a request alive until its callback ran or the client was destroyed: the
// garbage collector does not know that the DLL holds it. Save games are read
// and written through Savegames, which keeps each buffer in place until its
// report.
using System;
using System.Runtime.InteropServices;

namespace Kz.Tesmaclient
{
    [StructLayout(LayoutKind.Sequential)]
    public struct BindingDiagnostics
    {
        public uint Size; // set to Marshal.SizeOf(typeof(BindingDiagnostics))
        public uint InstallationError;
        public uint DirectoryState;
        public IntPtr RegistryKey;
        public IntPtr RegistryValue;
        public IntPtr Directory;
        public IntPtr LibraryPath;
        public uint LoadError;
        public IntPtr MissingEntryPoint;
    }

    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int LoginDetailsCallback(IntPtr user, uint requestId, uint a, uint b, uint c);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int TesmaServerCallback(IntPtr user, uint requestId, uint a);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int SavegameReaderCallback(IntPtr user, uint requestId, uint a, IntPtr reader);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int SavegameWriterCallback(IntPtr user, uint requestId, uint a, IntPtr writer);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int SavegameListCallback(IntPtr user, uint requestId, IntPtr list, uint count);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int RemoveSavegameCallback(IntPtr user, uint requestId, uint a);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int NetworkTrafficCallback(IntPtr user, uint requestId, uint a, uint b, uint c, uint d);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int ReadCallback(IntPtr user, uint requestId, uint a, uint b);
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate int WriteCallback(IntPtr user, uint requestId, uint a, uint b);

    public static class Native
    {
        public const uint DirectoryFound = 0;
        public const uint DirectoryNoKey = 1;
        public const uint DirectoryNoValue = 2;
        public const uint DirectoryWrongType = 3;
        public const uint DirectoryEmpty = 4;
        public const uint DirectoryNotLookedUp = 5;

        // DllImport takes a constant name, so each library has a declaration
        // set of its own, bound on its first call: a process binds only the
        // library of its width.
        private static readonly bool Is64 = IntPtr.Size == 8;

        public static uint Version() { return Is64 ? Dll64.Version() : Dll32.Version(); }

        public static IntPtr Create() { return Is64 ? Dll64.Create() : Dll32.Create(); }
        public static void Destroy(IntPtr client) { if (Is64) Dll64.Destroy(client); else Dll32.Destroy(client); }
        public static void Update(IntPtr client) { if (Is64) Dll64.Update(client); else Dll32.Update(client); }
        public static uint GetRequestUniqueId(IntPtr client)
        {
            return Is64 ? Dll64.GetRequestUniqueId(client) : Dll32.GetRequestUniqueId(client);
        }
        public static int StartLauncher(IntPtr client, uint a, uint b, string c, string d)
        {
            return Is64 ? Dll64.StartLauncher(client, a, b, c, d) : Dll32.StartLauncher(client, a, b, c, d);
        }
        public static void StartProcess(IntPtr client, string a, string b, string c)
        {
            if (Is64) Dll64.StartProcess(client, a, b, c);
            else Dll32.StartProcess(client, a, b, c);
        }
        // The result is the key's own pointer without a session: pass a pinned
        // or unmanaged key to compare against it.
        public static IntPtr GetLocText(IntPtr client, IntPtr key, string locale)
        {
            return Is64 ? Dll64.GetLocText(client, key, locale) : Dll32.GetLocText(client, key, locale);
        }
        public static uint GetInstallationErrorNum(IntPtr client)
        {
            return Is64 ? Dll64.GetInstallationErrorNum(client) : Dll32.GetInstallationErrorNum(client);
        }
        public static IntPtr GetInstallationErrorString(IntPtr client, string locale)
        {
            return Is64 ? Dll64.GetInstallationErrorString(client, locale)
                        : Dll32.GetInstallationErrorString(client, locale);
        }

        public static void GetLoginDetails(IntPtr client, uint requestId, LoginDetailsCallback callback, IntPtr user)
        {
            if (Is64) Dll64.GetLoginDetails(client, requestId, callback, user);
            else Dll32.GetLoginDetails(client, requestId, callback, user);
        }
        public static void GetTesmaServer(IntPtr client, uint requestId, TesmaServerCallback callback, IntPtr user,
                                          uint a, uint b)
        {
            if (Is64) Dll64.GetTesmaServer(client, requestId, callback, user, a, b);
            else Dll32.GetTesmaServer(client, requestId, callback, user, a, b);
        }
        public static void GetSavegameReader(IntPtr client, uint requestId, SavegameReaderCallback callback,
                                             IntPtr user, uint a, uint b)
        {
            if (Is64) Dll64.GetSavegameReader(client, requestId, callback, user, a, b);
            else Dll32.GetSavegameReader(client, requestId, callback, user, a, b);
        }
        public static void GetSavegameWriter(IntPtr client, uint requestId, SavegameWriterCallback callback,
                                             IntPtr user, uint a, uint b, int flag)
        {
            if (Is64) Dll64.GetSavegameWriter(client, requestId, callback, user, a, b, flag);
            else Dll32.GetSavegameWriter(client, requestId, callback, user, a, b, flag);
        }
        public static void GetSavegameList(IntPtr client, uint requestId, SavegameListCallback callback, IntPtr user,
                                           uint a)
        {
            if (Is64) Dll64.GetSavegameList(client, requestId, callback, user, a);
            else Dll32.GetSavegameList(client, requestId, callback, user, a);
        }
        public static void RemoveSavegame(IntPtr client, uint requestId, RemoveSavegameCallback callback, IntPtr user,
                                          uint a, uint b)
        {
            if (Is64) Dll64.RemoveSavegame(client, requestId, callback, user, a, b);
            else Dll32.RemoveSavegame(client, requestId, callback, user, a, b);
        }
        public static void GetNetworkTraffic(IntPtr client, uint requestId, NetworkTrafficCallback callback,
                                             IntPtr user)
        {
            if (Is64) Dll64.GetNetworkTraffic(client, requestId, callback, user);
            else Dll32.GetNetworkTraffic(client, requestId, callback, user);
        }

        // 1 when the launcher opened the save game (a refused open answers a
        // reader or writer as well).
        public static int ReaderIsOpen(IntPtr reader)
        {
            return Is64 ? Dll64.ReaderIsOpen(reader) : Dll32.ReaderIsOpen(reader);
        }
        public static int WriterIsOpen(IntPtr writer)
        {
            return Is64 ? Dll64.WriterIsOpen(writer) : Dll32.WriterIsOpen(writer);
        }

        // buffer must stay valid and unmoved until the callback ran, which a
        // managed array pinned for the call alone is not: use Savegames.Read
        // and Savegames.Write.
        public static int ReaderReadWithCallback(IntPtr reader, uint requestId, ReadCallback callback, IntPtr user,
                                                 uint offset, IntPtr buffer, uint length)
        {
            return Is64 ? Dll64.ReaderReadWithCallback(reader, requestId, callback, user, offset, buffer, length)
                        : Dll32.ReaderReadWithCallback(reader, requestId, callback, user, offset, buffer, length);
        }
        public static int WriterWriteWithCallback(IntPtr writer, uint requestId, WriteCallback callback, IntPtr user,
                                                  IntPtr buffer, uint size)
        {
            return Is64 ? Dll64.WriterWriteWithCallback(writer, requestId, callback, user, buffer, size)
                        : Dll32.WriterWriteWithCallback(writer, requestId, callback, user, buffer, size);
        }

        // listener: a C++ ISavegameReadListener / ISavegameWriteListener, which
        // C# cannot make; C# reads and writes through Savegames.
        public static void ReaderRead(IntPtr reader, uint requestId, IntPtr listener, uint a, IntPtr buffer, uint b)
        {
            if (Is64) Dll64.ReaderRead(reader, requestId, listener, a, buffer, b);
            else Dll32.ReaderRead(reader, requestId, listener, a, buffer, b);
        }
        public static void ReaderClose(IntPtr reader)
        {
            if (Is64) Dll64.ReaderClose(reader);
            else Dll32.ReaderClose(reader);
        }
        public static void ReaderRelease(IntPtr reader)
        {
            if (Is64) Dll64.ReaderRelease(reader);
            else Dll32.ReaderRelease(reader);
        }
        public static int WriterSetName(IntPtr writer, string name)
        {
            return Is64 ? Dll64.WriterSetName(writer, name) : Dll32.WriterSetName(writer, name);
        }
        public static void WriterWrite(IntPtr writer, uint requestId, IntPtr listener, IntPtr buffer, uint size)
        {
            if (Is64) Dll64.WriterWrite(writer, requestId, listener, buffer, size);
            else Dll32.WriterWrite(writer, requestId, listener, buffer, size);
        }
        public static void WriterClose(IntPtr writer, int flag)
        {
            if (Is64) Dll64.WriterClose(writer, flag);
            else Dll32.WriterClose(writer, flag);
        }
        public static void WriterRelease(IntPtr writer)
        {
            if (Is64) Dll64.WriterRelease(writer);
            else Dll32.WriterRelease(writer);
        }

        public static IntPtr SavegameListGetName(IntPtr list, uint index)
        {
            return Is64 ? Dll64.SavegameListGetName(list, index) : Dll32.SavegameListGetName(list, index);
        }
        public static uint SavegameListGetProductId(IntPtr list, uint index)
        {
            return Is64 ? Dll64.SavegameListGetProductId(list, index) : Dll32.SavegameListGetProductId(list, index);
        }
        public static uint SavegameListGetSavegameId(IntPtr list, uint index)
        {
            return Is64 ? Dll64.SavegameListGetSavegameId(list, index) : Dll32.SavegameListGetSavegameId(list, index);
        }
        public static uint SavegameListGetSize(IntPtr list, uint index)
        {
            return Is64 ? Dll64.SavegameListGetSize(list, index) : Dll32.SavegameListGetSize(list, index);
        }
        public static void SavegameListRelease(IntPtr list)
        {
            if (Is64) Dll64.SavegameListRelease(list);
            else Dll32.SavegameListRelease(list);
        }

        public static int GetBindingDiagnostics(ref BindingDiagnostics diagnostics)
        {
            return Is64 ? Dll64.GetBindingDiagnostics(ref diagnostics) : Dll32.GetBindingDiagnostics(ref diagnostics);
        }
        // A static ASCII text of the library's: read it with Marshal.PtrToStringAnsi.
        public static IntPtr MatchLocale(string tag) { return Is64 ? Dll64.MatchLocale(tag) : Dll32.MatchLocale(tag); }

        private static class Dll32
        {
            private const string Dll = "tesmaclient.dll";

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "kz_tesmaclient_version")]
            public static extern uint Version();

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_create")]
            public static extern IntPtr Create();
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_destroy")]
            public static extern void Destroy(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_update")]
            public static extern void Update(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_request_unique_id")]
            public static extern uint GetRequestUniqueId(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_start_launcher")]
            public static extern int StartLauncher(IntPtr client, uint a, uint b,
                                                   [MarshalAs(UnmanagedType.LPStr)] string c,
                                                   [MarshalAs(UnmanagedType.LPStr)] string d);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_start_process")]
            public static extern void StartProcess(IntPtr client, [MarshalAs(UnmanagedType.LPWStr)] string a,
                                                   [MarshalAs(UnmanagedType.LPWStr)] string b,
                                                   [MarshalAs(UnmanagedType.LPWStr)] string c);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_loc_text")]
            public static extern IntPtr GetLocText(IntPtr client, IntPtr key,
                                                   [MarshalAs(UnmanagedType.LPStr)] string locale);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_installation_error_num")]
            public static extern uint GetInstallationErrorNum(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_installation_error_string")]
            public static extern IntPtr GetInstallationErrorString(IntPtr client,
                                                                   [MarshalAs(UnmanagedType.LPStr)] string locale);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_login_details")]
            public static extern void GetLoginDetails(IntPtr client, uint requestId, LoginDetailsCallback callback,
                                                      IntPtr user);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_tesma_server")]
            public static extern void GetTesmaServer(IntPtr client, uint requestId, TesmaServerCallback callback,
                                                     IntPtr user, uint a, uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_savegame_reader")]
            public static extern void GetSavegameReader(IntPtr client, uint requestId, SavegameReaderCallback callback,
                                                        IntPtr user, uint a, uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_savegame_writer")]
            public static extern void GetSavegameWriter(IntPtr client, uint requestId, SavegameWriterCallback callback,
                                                        IntPtr user, uint a, uint b, int flag);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_savegame_list")]
            public static extern void GetSavegameList(IntPtr client, uint requestId, SavegameListCallback callback,
                                                      IntPtr user, uint a);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_remove_savegame")]
            public static extern void RemoveSavegame(IntPtr client, uint requestId, RemoveSavegameCallback callback,
                                                     IntPtr user, uint a, uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_network_traffic")]
            public static extern void GetNetworkTraffic(IntPtr client, uint requestId, NetworkTrafficCallback callback,
                                                        IntPtr user);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_is_open")]
            public static extern int ReaderIsOpen(IntPtr reader);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_is_open")]
            public static extern int WriterIsOpen(IntPtr writer);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_read_with_callback")]
            public static extern int ReaderReadWithCallback(IntPtr reader, uint requestId, ReadCallback callback,
                                                            IntPtr user, uint offset, IntPtr buffer, uint length);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_write_with_callback")]
            public static extern int WriterWriteWithCallback(IntPtr writer, uint requestId, WriteCallback callback,
                                                             IntPtr user, IntPtr buffer, uint size);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_read")]
            public static extern void ReaderRead(IntPtr reader, uint requestId, IntPtr listener, uint a, IntPtr buffer,
                                                 uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_close")]
            public static extern void ReaderClose(IntPtr reader);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_release")]
            public static extern void ReaderRelease(IntPtr reader);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_set_name")]
            public static extern int WriterSetName(IntPtr writer, [MarshalAs(UnmanagedType.LPWStr)] string name);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_write")]
            public static extern void WriterWrite(IntPtr writer, uint requestId, IntPtr listener, IntPtr buffer,
                                                  uint size);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_close")]
            public static extern void WriterClose(IntPtr writer, int flag);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_release")]
            public static extern void WriterRelease(IntPtr writer);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_name")]
            public static extern IntPtr SavegameListGetName(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_product_id")]
            public static extern uint SavegameListGetProductId(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_savegame_id")]
            public static extern uint SavegameListGetSavegameId(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_size")]
            public static extern uint SavegameListGetSize(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_release")]
            public static extern void SavegameListRelease(IntPtr list);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_binding_diagnostics")]
            public static extern int GetBindingDiagnostics(ref BindingDiagnostics diagnostics);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_match_locale")]
            public static extern IntPtr MatchLocale([MarshalAs(UnmanagedType.LPStr)] string tag);
        }

        private static class Dll64
        {
            private const string Dll = "tesmaclient64.dll";

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "kz_tesmaclient_version")]
            public static extern uint Version();

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_create")]
            public static extern IntPtr Create();
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_destroy")]
            public static extern void Destroy(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_update")]
            public static extern void Update(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_request_unique_id")]
            public static extern uint GetRequestUniqueId(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_start_launcher")]
            public static extern int StartLauncher(IntPtr client, uint a, uint b,
                                                   [MarshalAs(UnmanagedType.LPStr)] string c,
                                                   [MarshalAs(UnmanagedType.LPStr)] string d);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_start_process")]
            public static extern void StartProcess(IntPtr client, [MarshalAs(UnmanagedType.LPWStr)] string a,
                                                   [MarshalAs(UnmanagedType.LPWStr)] string b,
                                                   [MarshalAs(UnmanagedType.LPWStr)] string c);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_loc_text")]
            public static extern IntPtr GetLocText(IntPtr client, IntPtr key,
                                                   [MarshalAs(UnmanagedType.LPStr)] string locale);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_installation_error_num")]
            public static extern uint GetInstallationErrorNum(IntPtr client);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_installation_error_string")]
            public static extern IntPtr GetInstallationErrorString(IntPtr client,
                                                                   [MarshalAs(UnmanagedType.LPStr)] string locale);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_login_details")]
            public static extern void GetLoginDetails(IntPtr client, uint requestId, LoginDetailsCallback callback,
                                                      IntPtr user);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_tesma_server")]
            public static extern void GetTesmaServer(IntPtr client, uint requestId, TesmaServerCallback callback,
                                                     IntPtr user, uint a, uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_savegame_reader")]
            public static extern void GetSavegameReader(IntPtr client, uint requestId, SavegameReaderCallback callback,
                                                        IntPtr user, uint a, uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_savegame_writer")]
            public static extern void GetSavegameWriter(IntPtr client, uint requestId, SavegameWriterCallback callback,
                                                        IntPtr user, uint a, uint b, int flag);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_savegame_list")]
            public static extern void GetSavegameList(IntPtr client, uint requestId, SavegameListCallback callback,
                                                      IntPtr user, uint a);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_remove_savegame")]
            public static extern void RemoveSavegame(IntPtr client, uint requestId, RemoveSavegameCallback callback,
                                                     IntPtr user, uint a, uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_network_traffic")]
            public static extern void GetNetworkTraffic(IntPtr client, uint requestId, NetworkTrafficCallback callback,
                                                        IntPtr user);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_is_open")]
            public static extern int ReaderIsOpen(IntPtr reader);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_is_open")]
            public static extern int WriterIsOpen(IntPtr writer);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_read_with_callback")]
            public static extern int ReaderReadWithCallback(IntPtr reader, uint requestId, ReadCallback callback,
                                                            IntPtr user, uint offset, IntPtr buffer, uint length);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_write_with_callback")]
            public static extern int WriterWriteWithCallback(IntPtr writer, uint requestId, WriteCallback callback,
                                                             IntPtr user, IntPtr buffer, uint size);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_read")]
            public static extern void ReaderRead(IntPtr reader, uint requestId, IntPtr listener, uint a, IntPtr buffer,
                                                 uint b);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_close")]
            public static extern void ReaderClose(IntPtr reader);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_release")]
            public static extern void ReaderRelease(IntPtr reader);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_set_name")]
            public static extern int WriterSetName(IntPtr writer, [MarshalAs(UnmanagedType.LPWStr)] string name);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_write")]
            public static extern void WriterWrite(IntPtr writer, uint requestId, IntPtr listener, IntPtr buffer,
                                                  uint size);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_close")]
            public static extern void WriterClose(IntPtr writer, int flag);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_release")]
            public static extern void WriterRelease(IntPtr writer);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_name")]
            public static extern IntPtr SavegameListGetName(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_product_id")]
            public static extern uint SavegameListGetProductId(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_savegame_id")]
            public static extern uint SavegameListGetSavegameId(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_get_size")]
            public static extern uint SavegameListGetSize(IntPtr list, uint index);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_savegame_list_release")]
            public static extern void SavegameListRelease(IntPtr list);

            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_binding_diagnostics")]
            public static extern int GetBindingDiagnostics(ref BindingDiagnostics diagnostics);
            [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_match_locale")]
            public static extern IntPtr MatchLocale([MarshalAs(UnmanagedType.LPStr)] string tag);
        }
    }

    // Save-game reads and writes for managed code. The launcher uses a buffer
    // until its report, long after the marshaller's pinning for the call has
    // ended and the collector may have moved a managed array, so the bytes
    // travel in unmanaged memory of their own, freed by the report. The
    // callbacks are static, hence never collected while the DLL holds them.
    //
    // done gets the report's status (0 done) and byte count; it runs once,
    // inside the client's Update or before the call returns, as the launcher
    // chooses, and must not throw: nothing may unwind through the DLL. A
    // report that never comes (the last client destroyed first) leaves its
    // memory allocated, as the launcher may still hold the buffer.
    public static class Savegames
    {
        private sealed class Pending
        {
            public IntPtr Buffer;
            public uint Length;
            public Action<uint, uint> Written;
            public Action<uint, uint, byte[]> Read;
        }

        private static readonly WriteCallback WriteReport = OnWrite;
        private static readonly ReadCallback ReadReport = OnRead;

        // Appends data to the writer's save game; data is copied, so the
        // caller may change it on return. False, with done never called, when
        // the launcher did not open the writer.
        public static bool Write(IntPtr writer, uint requestId, byte[] data, Action<uint, uint> done)
        {
            if (data == null)
                throw new ArgumentNullException("data");
            Pending pending = new Pending();
            pending.Length = (uint)data.Length;
            pending.Written = done;
            pending.Buffer = Marshal.AllocHGlobal(Math.Max(data.Length, 1));
            Marshal.Copy(data, 0, pending.Buffer, data.Length);
            IntPtr user = Keep(pending);
            if (Native.WriterWriteWithCallback(writer, requestId, WriteReport, user, pending.Buffer, pending.Length) != 0)
                return true;
            Marshal.FreeHGlobal(Take(user).Buffer);
            return false;
        }

        // Reads length bytes from offset of the reader's save game; done gets
        // the bytes read. False, with done never called, when the launcher did
        // not open the reader.
        public static bool Read(IntPtr reader, uint requestId, uint offset, uint length,
                                Action<uint, uint, byte[]> done)
        {
            if (length > int.MaxValue)
                throw new ArgumentOutOfRangeException("length");
            Pending pending = new Pending();
            pending.Length = length;
            pending.Read = done;
            pending.Buffer = Marshal.AllocHGlobal(Math.Max((int)length, 1));
            IntPtr user = Keep(pending);
            if (Native.ReaderReadWithCallback(reader, requestId, ReadReport, user, offset, pending.Buffer, length) != 0)
                return true;
            Marshal.FreeHGlobal(Take(user).Buffer);
            return false;
        }

        // The user pointer: a handle that keeps pending alive until its report.
        private static IntPtr Keep(Pending pending)
        {
            return GCHandle.ToIntPtr(GCHandle.Alloc(pending));
        }

        private static Pending Take(IntPtr user)
        {
            GCHandle handle = GCHandle.FromIntPtr(user);
            Pending pending = (Pending)handle.Target;
            handle.Free();
            return pending;
        }

        private static int OnWrite(IntPtr user, uint requestId, uint a, uint b)
        {
            Pending pending = Take(user);
            Marshal.FreeHGlobal(pending.Buffer);
            if (pending.Written != null)
                pending.Written(a, b);
            return 1;
        }

        private static int OnRead(IntPtr user, uint requestId, uint a, uint b)
        {
            Pending pending = Take(user);
            // The count is the launcher's: never past the buffer.
            byte[] bytes = new byte[Math.Min(b, pending.Length)];
            Marshal.Copy(pending.Buffer, bytes, 0, bytes.Length);
            Marshal.FreeHGlobal(pending.Buffer);
            if (pending.Read != null)
                pending.Read(a, b, bytes);
            return 1;
        }
    }
}

// The C interface of tesmaclient.dll (include/kz/tesmaclient/tesmaclient_c.h)
// for C#: one declaration per function, __cdecl, under its exported name.
// The game must run as a 32-bit (x86) process: the launcher's library is
// 32-bit. Handles are IntPtr; wide texts are UTF-16 (read them with
// Marshal.PtrToStringUni). Keep every delegate handed to a request alive
// until its callback ran or the client was destroyed: the garbage collector
// does not know that the DLL holds it. Save games are read and written
// through Savegames, which keeps each buffer in place until its report.
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
        private const string Dll = "tesmaclient.dll";

        public const uint DirectoryFound = 0;
        public const uint DirectoryNoKey = 1;
        public const uint DirectoryNoValue = 2;
        public const uint DirectoryWrongType = 3;
        public const uint DirectoryEmpty = 4;
        public const uint DirectoryNotLookedUp = 5;

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
        // The result is the key's own pointer without a session: pass a pinned
        // or unmanaged key to compare against it.
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_loc_text")]
        public static extern IntPtr GetLocText(IntPtr client, IntPtr key, [MarshalAs(UnmanagedType.LPStr)] string locale);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_installation_error_num")]
        public static extern uint GetInstallationErrorNum(IntPtr client);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_installation_error_string")]
        public static extern IntPtr GetInstallationErrorString(IntPtr client, [MarshalAs(UnmanagedType.LPStr)] string locale);

        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_login_details")]
        public static extern void GetLoginDetails(IntPtr client, uint requestId, LoginDetailsCallback callback, IntPtr user);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_get_tesma_server")]
        public static extern void GetTesmaServer(IntPtr client, uint requestId, TesmaServerCallback callback, IntPtr user,
                                                 uint a, uint b);
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

        // 1 when the launcher opened the save game (a refused open answers a
        // reader or writer as well).
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_is_open")]
        public static extern int ReaderIsOpen(IntPtr reader);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_is_open")]
        public static extern int WriterIsOpen(IntPtr writer);

        // buffer must stay valid and unmoved until the callback ran, which a
        // managed array pinned for the call alone is not: use Savegames.Read
        // and Savegames.Write.
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_read_with_callback")]
        public static extern int ReaderReadWithCallback(IntPtr reader, uint requestId, ReadCallback callback, IntPtr user,
                                                         uint offset, IntPtr buffer, uint length);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_write_with_callback")]
        public static extern int WriterWriteWithCallback(IntPtr writer, uint requestId, WriteCallback callback, IntPtr user,
                                                          IntPtr buffer, uint size);

        // listener: a C++ ISavegameReadListener / ISavegameWriteListener, which
        // C# cannot make; C# reads and writes through Savegames.
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_read")]
        public static extern void ReaderRead(IntPtr reader, uint requestId, IntPtr listener, uint a, IntPtr buffer, uint b);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_close")]
        public static extern void ReaderClose(IntPtr reader);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_reader_release")]
        public static extern void ReaderRelease(IntPtr reader);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_set_name")]
        public static extern int WriterSetName(IntPtr writer, [MarshalAs(UnmanagedType.LPWStr)] string name);
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_writer_write")]
        public static extern void WriterWrite(IntPtr writer, uint requestId, IntPtr listener, IntPtr buffer, uint size);
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
        // A static ASCII text of the library's: read it with Marshal.PtrToStringAnsi.
        [DllImport(Dll, CallingConvention = CallingConvention.Cdecl, EntryPoint = "tesmaclient_match_locale")]
        public static extern IntPtr MatchLocale([MarshalAs(UnmanagedType.LPStr)] string tag);
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

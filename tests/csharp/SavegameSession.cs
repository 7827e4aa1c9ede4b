// A C# game's save-game session through the declarations of Tesmaclient.cs,
// against the development launcher: written, listed, read back, refused and
// removed. Between every read or write and its report the collector runs and
// moves fresh arrays, as it may in a game; the launcher fills a read's buffer
// only on Update, so a buffer the collector could move would come back wrong.
//   mono SavegameSession.exe SAVES_FOLDER
using System;
using System.Collections.Generic;
using System.Runtime.CompilerServices;
using System.Runtime.InteropServices;
using Kz.Tesmaclient;

static class SavegameSession
{
    const uint Product = 4242;
    const int Size = 300000;
    // Below the collector's large-object size, so that fresh arrays of it move.
    const int Chunk = 4000;

    [DllImport("tesmaclient64.dll", CallingConvention = CallingConvention.Cdecl,
               EntryPoint = "tesmaclient_test_install_devlauncher")]
    static extern void InstallDevLauncher([MarshalAs(UnmanagedType.LPStr)] string saves);

    // The last answer to a request.
    static int answers;
    static uint answerId, answerA;
    static IntPtr answerObject;
    static readonly SavegameWriterCallback OnWriter = (user, id, a, writer) => Answer(id, a, writer);
    static readonly SavegameReaderCallback OnReader = (user, id, a, reader) => Answer(id, a, reader);
    static readonly SavegameListCallback OnList = (user, id, list, count) => Answer(id, count, list);
    static readonly RemoveSavegameCallback OnRemove = (user, id, a) => Answer(id, a, IntPtr.Zero);

    static int Answer(uint id, uint a, IntPtr answered)
    {
        ++answers;
        answerId = id;
        answerA = a;
        answerObject = answered;
        return 1;
    }

    static void Check(bool holds, string what)
    {
        if (holds)
            return;
        Console.Error.WriteLine("FAILED: " + what);
        Environment.Exit(1);
    }

    // The answer to request id, which the launcher gives on an Update.
    static void Await(IntPtr client, uint id, string what)
    {
        int before = answers;
        for (int update = 0; update < 10 && answers == before; ++update)
            Native.Update(client);
        Check(answers == before + 1 && answerId == id, what + ": no answer to request " + id);
    }

    static byte Pattern(int offset)
    {
        return (byte)(offset * 7 + (offset >> 11));
    }

    // Garbage that survives a while, then a full collection. Whether a fresh
    // small array moved tells that the collection could move the buffers. Its
    // address is kept as a number in a static field: the collector pins what
    // the stack seems to point at.
    static List<byte[]> kept = new List<byte[]>();
    static GCHandle fresh;
    static long freshAddress;
    static int moves;

    [MethodImpl(MethodImplOptions.NoInlining)]
    static void FreshArray()
    {
        GCHandle pinned = GCHandle.Alloc(new byte[Chunk], GCHandleType.Pinned);
        freshAddress = pinned.AddrOfPinnedObject().ToInt64();
        fresh = GCHandle.Alloc(pinned.Target);
        pinned.Free();
    }

    [MethodImpl(MethodImplOptions.NoInlining)]
    static void Churn()
    {
        for (int i = 0; i < 300; ++i) {
            byte[] garbage = new byte[16 + i % 700];
            if (i % 5 == 0)
                kept.Add(garbage);
        }
        if (kept.Count > 3000)
            kept.RemoveRange(0, 1500);
        GC.Collect();
        GCHandle pinned = GCHandle.Alloc(fresh.Target, GCHandleType.Pinned);
        if (pinned.AddrOfPinnedObject().ToInt64() != freshAddress)
            ++moves;
        pinned.Free();
        fresh.Free();
    }

    static int Main(string[] args)
    {
        InstallDevLauncher(args[0]);
        IntPtr client = Native.Create();
        Check(Native.GetInstallationErrorNum(client) == 0, "the launcher is not bound");
        Console.WriteLine("client: bound to the development launcher");

        uint id = Native.GetRequestUniqueId(client);
        Native.GetSavegameWriter(client, id, OnWriter, IntPtr.Zero, Product, 0, 0);
        Await(client, id, "writer");
        IntPtr writer = answerObject;
        Check(answerA == 1 && Native.WriterIsOpen(writer) == 1, "writer: save game " + answerA + ", not open");
        Check(Native.WriterSetName(writer, "Slot") == 1, "writer: name refused");
        Console.WriteLine("writer: save game 1, open, named");

        // One buffer for every chunk, changed as soon as each write returns.
        byte[] chunk = new byte[Chunk];
        int reported = 0, written = 0;
        for (int offset = 0; offset < Size; offset += Chunk) {
            for (int i = 0; i < Chunk; ++i)
                chunk[i] = Pattern(offset + i);
            FreshArray();
            uint writeId = Native.GetRequestUniqueId(client);
            Check(Savegames.Write(writer, writeId, chunk, (a, b) => {
                ++reported;
                if (a == 0)
                    written += (int)b;
            }), "write: refused by an open writer");
            Array.Clear(chunk, 0, Chunk);
            Churn();
            Native.Update(client);
        }
        Check(reported == Size / Chunk && written == Size,
              "write: " + reported + " reports, " + written + " bytes written of " + Size);
        Native.WriterClose(writer, 1);
        Native.WriterRelease(writer);
        Console.WriteLine("write: " + written + " bytes in " + reported + " reported writes, committed");

        id = Native.GetRequestUniqueId(client);
        Native.GetSavegameList(client, id, OnList, IntPtr.Zero, Product);
        Await(client, id, "list");
        IntPtr list = answerObject;
        string name = Marshal.PtrToStringUni(Native.SavegameListGetName(list, 0));
        uint size = Native.SavegameListGetSize(list, 0);
        Check(answerA == 1 && name == "Slot" && Native.SavegameListGetProductId(list, 0) == Product &&
              Native.SavegameListGetSavegameId(list, 0) == 1 && size == Size,
              "list: " + answerA + " entries, the first " + name + " of " + size + " bytes");
        Native.SavegameListRelease(list);
        Console.WriteLine("list: 1 entry, Slot, save game 1 of " + size + " bytes");

        id = Native.GetRequestUniqueId(client);
        Native.GetSavegameReader(client, id, OnReader, IntPtr.Zero, Product, 1);
        Await(client, id, "reader");
        IntPtr reader = answerObject;
        Check(answerA == Size && Native.ReaderIsOpen(reader) == 1, "reader: size " + answerA + " or not open");
        Console.WriteLine("reader: " + answerA + " bytes, open");

        byte[] readBack = new byte[Size];
        int readReports = 0, read = 0;
        for (int offset = 0; offset < Size; offset += Chunk) {
            FreshArray();
            int at = offset;
            Check(Savegames.Read(reader, Native.GetRequestUniqueId(client), (uint)offset, Chunk, (a, b, bytes) => {
                ++readReports;
                if (a == 0 && b == bytes.Length) {
                    Array.Copy(bytes, 0, readBack, at, bytes.Length);
                    read += bytes.Length;
                }
            }), "read: refused by an open reader");
            Churn();
            Native.Update(client);
        }
        Check(readReports == Size / Chunk && read == Size,
              "read: " + readReports + " reports, " + read + " bytes read of " + Size);
        for (int i = 0; i < Size; ++i)
            Check(readBack[i] == Pattern(i), "read: byte " + i + " is " + readBack[i] + ", written " + Pattern(i));
        Native.ReaderClose(reader);
        Native.ReaderRelease(reader);
        Check(moves == 2 * Size / Chunk, "the collector moved a fresh array " + moves + " times in " +
                                         2 * Size / Chunk + " collections");
        Console.WriteLine("read: " + read + " bytes in " + readReports + " reported reads, equal to those written;" +
                          " the collector moved a fresh array before each report");

        id = Native.GetRequestUniqueId(client);
        Native.GetSavegameWriter(client, id, OnWriter, IntPtr.Zero, Product, 1, 0);
        Await(client, id, "refused writer");
        IntPtr refused = answerObject;
        Check(answerA == 2 && refused != IntPtr.Zero && Native.WriterIsOpen(refused) == 0,
              "refused writer: a = " + answerA + ", open " + Native.WriterIsOpen(refused));
        Check(!Savegames.Write(refused, 0, new byte[1], null), "refused writer: a write was started");
        Native.WriterRelease(refused);
        Console.WriteLine("writer of save game 1 without replacing: a = 2, not open, no write started");

        id = Native.GetRequestUniqueId(client);
        Native.GetSavegameReader(client, id, OnReader, IntPtr.Zero, Product, 99);
        Await(client, id, "unknown reader");
        IntPtr unknown = answerObject;
        Check(answerA == 1 && unknown != IntPtr.Zero && Native.ReaderIsOpen(unknown) == 0,
              "unknown reader: a = " + answerA + ", open " + Native.ReaderIsOpen(unknown));
        Check(!Savegames.Read(unknown, 0, 0, 1, null), "unknown reader: a read was started");
        Native.ReaderRelease(unknown);
        Console.WriteLine("reader of save game 99: a = 1, not open, no read started");

        id = Native.GetRequestUniqueId(client);
        Native.RemoveSavegame(client, id, OnRemove, IntPtr.Zero, Product, 1);
        Await(client, id, "remove");
        Check(answerA == 0, "remove: a = " + answerA);
        id = Native.GetRequestUniqueId(client);
        Native.GetSavegameList(client, id, OnList, IntPtr.Zero, Product);
        Await(client, id, "list after removal");
        Check(answerA == 0, "list after removal: " + answerA + " entries");
        Native.SavegameListRelease(answerObject);
        Console.WriteLine("remove: done, the list is empty");

        Native.Destroy(client);
        Console.WriteLine("client: destroyed");
        return 0;
    }
}

/*
 * The binding protocol of LauncherApi, for spin: two game threads and one
 * thread of the launcher's own. Each step stands for one step of the code,
 * named in its comment (LauncherApi.cpp unless another file is named).
 * Promela's interleaving is sequentially consistent, as the code's atomics are.
 *
 * The launcher answers every request it received, on its own thread or inside
 * any game thread's request or Update, to a live or a destroyed client, and up
 * to `unowed` times it answers a number it does not owe: never asked, answered
 * before, or another client's, which look alike to the client (a number not
 * pending in its table). It does so only while it may still hold the client:
 * a call to a Pimpl its game let go with nothing owed is a dangling pointer
 * in the launcher, which nothing can survive. The game may load the library
 * itself and free it later.
 *
 * Assumed of the launcher: its detach, run by FreeLibrary of the last
 * reference, stops its threads before its code is unmapped; one that is
 * inside an answer finishes it first.
 *
 * Properties:
 *  1. the library is never unloaded while a game thread runs in it (a
 *     forward, or an answer inside one), and nothing enters it unmapped (the
 *     launcher's own thread is its detach's to stop, as assumed above);
 *  2. no answer, listener, listing or unlisting touches a freed Pimpl; none is
 *     freed twice;
 *  3. no deadlock (pan's invalid end states);
 *  4. at the end of a complete run, with every client destroyed and every
 *     answer delivered, no Pimpl is left but one whose answers died with an
 *     unload we did not do (it stays listed for the next release), and the
 *     library is freed unless an answer came on the launcher's own thread;
 *  5. no listener runs after its client's destruction returned.
 *
 * Each of these removes one step of the protocol (check-binding-model.sh):
 *  NO_RETIRE        the destructor frees its Pimpl whatever is owed
 *  NO_INPROGRESS    forwards are not counted in m_inProgress
 *  NO_OWNTHREAD     NoteAnswer does not note an answer on the launcher's thread
 *  NO_RECHECK       ReleaseIfIdle trusts LeaveCall's unlocked look at the binding
 *  UNLOCKED_UNLINK  EndAnswer unlists from the retired list without m_lock
 *  CHECK_FIRST      EnterCallUnder reads the binding number before entering
 *  LOCKED_FREE      ReleaseUnlocked keeps the lock across FreeLibrary
 *  NO_RELEASE_WAIT  AttachClient binds anew while a release's FreeLibrary runs
 *  COUNT_ANY        TakeAnswer counts any answer, whatever its number
 *  NO_FORGET        the destructor leaves its waiting listeners in the tables
 *  NO_RETIRE_WAIT   Retire does not wait for answers running on other threads
 *  WAIT_OWN         Retire waits also for the answer running on its own thread
 *  RETIRED_FIRST    Retire marks Retired before its wait, not after it
 *  UNLOCKED_LIST    Retire lists after letting go of the client's lock
 *  TAKE_FIRST       ReleaseUnlocked takes the retired list before FreeLibrary
 *                   and puts it back when the library stays loaded
 *  NO_LOADED_CHECK  ReleaseUnlocked destroys the retired list though the
 *                   library stays loaded
 *  NO_DETACH_WAIT   the launcher's detach does not wait for its own threads
 *                   (what breaks without the assumption)
 */

#define G0 0
#define G1 1
#define L 2
#define NIL 255

mtype = { NeverBound, Binding, Bound, Releasing, Released };

/* LauncherApi */
byte lk;                  /* m_lock: owner + 1 */
mtype state = NeverBound; /* m_state */
bit module;               /* m_module != nullptr */
bit functions;            /* m_functions bound */
byte clients;             /* m_clients */
byte head = NIL;          /* m_retired */
byte binding;             /* m_binding */
byte inProgress;          /* m_inProgress */
bit releasePending;       /* m_releasePending */
bit ownThread;            /* m_answeredOnOwnThread */
byte callDepth[3];        /* t_callDepth */
byte runQ[3];             /* t_running: the Pimpl whose answer runs on the thread */

/* The Pimpls: two per game thread, one made on the launcher's thread. Their
   OwedAnswers, and the entries of request numbers 0 and 1 in their tables. */
byte clk[5];              /* Lock: owner + 1 */
byte owed[5];             /* Owed */
byte running[5];          /* Running */
bit retired[5];           /* Retired */
bit listed[5];            /* Listed */
byte prevR[5];            /* PrevRetired */
byte nextR[5];            /* NextRetired */
byte tab[10];             /* PendingRequest::Owed of number k % 2; 0: not in the table */
bit waiting[10];          /* PendingRequest::Waiting not null */

/* The system, the launcher and the game */
byte loader;              /* the loader's lock: owner + 1 */
bit mapped;               /* the library is in memory */
byte refs;                /* the loader's count of it */
bit detaching;            /* FreeLibrary runs its detach: the launcher's thread enters no more */
byte inCall[3];           /* the thread's calls into the launcher's code, nested */
byte pend[10];            /* answers the launcher owes, by Pimpl and number */
byte unowed;              /* answers it may still give that it does not owe */
byte pstate[5];           /* 0 not made, 1 alive, 2 freed */
bit dying[5];             /* its client's destructor began */
bit destroyReturned[5];   /* its client's destructor returned */
bit given[5];             /* the client is left to a listener to destroy */
bit orphan[5];            /* answers owed to it died with an unload */
byte done;                /* game threads finished */
bit leak;

#define PENDING (pend[0] + pend[1] + pend[2] + pend[3] + pend[4] + pend[5] + pend[6] + pend[7] + pend[8] + pend[9])
#define LOCALS byte q, k, n, i, p, ret, cur, here, reach; bit fn, found, lst, last, unlist, destroyNow, listNow, wasLast, unload, gone, go, rel, self

inline Lock(t) { atomic { lk == 0 -> lk = t + 1 } }
inline Unlock(t) { atomic { assert(lk == t + 1); lk = 0 } }

/* common::Delete of a Pimpl */
inline Free(x) { atomic { assert(pstate[x] == 1); pstate[x] = 2 } }

/* SystemCalls::LoadModule: LoadLibrary. A module still loaded is the same
   one, counted once more. */
inline LoadLibrary() {
    atomic { loader == 0 -> refs++; mapped = 1 }
}

/* SystemCalls::ReleaseModule: FreeLibrary. The last reference runs the
   launcher's detach under the loader's lock, which waits until the launcher's
   thread is out of its code (assumed). What it never answered dies with it. */
inline FreeLibrary(t) {
    atomic {
        loader == 0 -> refs--;
        if
        :: refs == 0 -> loader = t + 1; detaching = 1; unload = 1
        :: else -> unload = 0
        fi
    };
    if
    :: unload ->
#ifndef NO_DETACH_WAIT
        (!inCall[L]);
#endif
        d_step {
            assert(!inCall[G0] && !inCall[G1]);
            mapped = 0; detaching = 0; loader = 0;
            i = 0;
            do
            :: i == 5 -> break
            :: else ->
                if
                :: pend[2 * i] + pend[2 * i + 1] > 0 -> orphan[i] = 1; pend[2 * i] = 0; pend[2 * i + 1] = 0
                :: else -> skip
                fi;
                i++
            od;
            i = 0
        }
    :: else -> skip
    fi;
    unload = 0
}

/* List and Unlist, m_lock held */
inline List(x) {
    assert(pstate[x] == 1);
    prevR[x] = NIL; nextR[x] = head;
    if
    :: head != NIL -> assert(pstate[head] == 1); prevR[head] = x
    :: else -> skip
    fi;
    head = x; listed[x] = 1
}
inline Unlist(x) {
    assert(pstate[x] == 1);
    if
    :: prevR[x] != NIL -> assert(pstate[prevR[x]] == 1); nextR[prevR[x]] = nextR[x]
    :: else -> head = nextR[x]
    fi;
    if
    :: nextR[x] != NIL -> assert(pstate[nextR[x]] == 1); prevR[nextR[x]] = prevR[x]
    :: else -> skip
    fi;
    listed[x] = 0
}

/* DestroyAll */
inline DestroyAll() {
    do
    :: ret == NIL -> break
    :: else -> atomic { assert(pstate[ret] == 1); cur = nextR[ret]; pstate[ret] = 2; ret = cur }
    od
}

/* ReleaseIfIdle, lock held; go: releasePending && m_clients == 0, read under it */
inline ReleaseIfIdle(t) {
    if
    :: atomic { go && inProgress == 0 && !ownThread -> releasePending = 0; rel = module; module = 0 }
    :: else -> rel = 0
    fi;
    if
    :: rel -> /* ReleaseUnlocked */
        functions = 0;
#ifdef NO_RELEASE_WAIT
        state = Released;
#else
        state = Releasing;
#endif
#ifdef TAKE_FIRST
        ret = head; head = NIL;
#endif
#ifndef LOCKED_FREE
        atomic { lk = 0 };
#endif
        FreeLibrary(t);
        gone = !mapped; /* IsModuleLoaded */
#ifndef LOCKED_FREE
        Lock(t);
#endif
#ifdef TAKE_FIRST
        if
        :: gone -> skip
        :: else -> head = ret; ret = NIL
        fi;
#elif defined(NO_LOADED_CHECK)
        ret = head; head = NIL;
#else
        if
        :: gone -> ret = head; head = NIL /* what is left was owed by the library gone */
        :: else -> ret = NIL /* another reference keeps it: the last answers unlist */
        fi;
#endif
        state = Released; /* WakeAll */
        if
        :: ret != NIL ->
#ifndef LOCKED_FREE
            atomic { lk = 0 };
#endif
            DestroyAll();
#ifndef LOCKED_FREE
            Lock(t)
#endif
        :: else -> skip
        fi
    :: else -> skip
    fi
}

/* BindUnlocked, lock held */
inline BindUnlocked(t) {
    atomic { state = Binding; lk = 0 };
    atomic { ownThread = 0; functions = 0 }; /* Bind: a fresh table */
    LoadLibrary();                           /* Bind: LoadModule */
    functions = 1;                           /* Bind: FindSymbol for each entry point */
    atomic { lk == 0 -> lk = t + 1; module = 1; state = Bound } /* published, WakeAll */
}

/* AttachClient, with Instance's BindOnce */
inline AttachClient(t, b) {
    Lock(t);
    do
    :: state == Binding || state == Releasing -> /* m_lock.Wait */
        atomic { lk = 0 }; atomic { state != Binding && state != Releasing && lk == 0 -> lk = t + 1 }
    :: state == NeverBound || (state == Released && clients == 0) -> BindUnlocked(t)
    :: else -> break
    od;
    atomic {
        if
        :: clients == 0 -> releasePending = 0
        :: else -> skip
        fi;
        clients++; b = binding; lk = 0
    }
}

/* Retire: waits until no answer to x runs on another thread (Retiring, set
   first, only lets EndAnswer wake it), lists x while answers are owed, then
   marks it Retired. destroyNow: nothing owed, nothing running. */
inline Retire(t, x) {
    atomic {
        clk[x] == 0 -> clk[x] = t + 1;
        assert(pstate[x] == 1);
#ifdef RETIRED_FIRST
        retired[x] = 1;
#endif
#ifndef WAIT_OWN
        here = (runQ[t] == x) /* this thread's own answer encloses the call */
#else
        here = 0
#endif
    };
#ifndef NO_RETIRE_WAIT
    do
    :: running[x] > here -> /* answers.Lock.Wait, woken by EndAnswer */
        atomic { clk[x] = 0 };
        atomic { running[x] <= here && clk[x] == 0 -> clk[x] = t + 1; assert(pstate[x] == 1) }
    :: else -> break
    od;
#endif
#ifndef UNLOCKED_LIST
    if
    :: owed[x] != 0 -> Lock(t); atomic { List(x) }; Unlock(t) /* nested in the client's lock */
    :: else -> skip
    fi;
    atomic { retired[x] = 1; destroyNow = (owed[x] == 0 && running[x] == 0); clk[x] = 0 }
#else
    atomic { listNow = (owed[x] != 0); retired[x] = 1; destroyNow = (owed[x] == 0 && running[x] == 0); clk[x] = 0 };
    if
    :: listNow -> Lock(t); atomic { List(x) }; Unlock(t)
    :: else -> skip
    fi
#endif
}

/* TesmaClient::~TesmaClient (TesmaClient.cpp): ForgetWaiting, Retire,
   DetachClient, then the Pimpl's delete if Retire says so */
inline DestroyClient(t, x) {
    atomic {
        clk[x] == 0 -> assert(pstate[x] == 1); dying[x] = 1;
#ifndef NO_FORGET
        waiting[2 * x] = 0; waiting[2 * x + 1] = 0
#endif
    };
#ifndef NO_RETIRE
    Retire(t, x);
#else
    destroyNow = 1;
#endif
    atomic { /* DetachClient */
        lk == 0 -> lk = t + 1;
        if
        :: clients > 0 -> clients--; go = (clients == 0)
        :: else -> go = 0
        fi
    };
    if
    :: go -> /* the last client */
        binding++;
        releasePending = 1;
        ReleaseIfIdle(t)
    :: else -> skip
    fi;
    Unlock(t);
    atomic {
        if
        :: destroyNow -> Free(x)
        :: else -> skip
        fi;
        destroyReturned[x] = 1;
        here = 0; destroyNow = 0; listNow = 0; go = 0; rel = 0; gone = 0; ret = 0
    }
}

/* EnterCall */
inline EnterCall(t) {
#ifndef NO_INPROGRESS
    atomic { callDepth[t]++; inProgress++ }
#else
    callDepth[t]++
#endif
}

/* The launcher's code returns (if fn: it was called); LeaveCall */
inline LeaveCall(t) {
#ifndef NO_INPROGRESS
    atomic { /* returned from the launcher's code if it was called; fetch_sub(1) == 1 */
        if
        :: fn -> inCall[t]--
        :: else -> skip
        fi;
        callDepth[t]--; inProgress--; wasLast = (inProgress == 0)
    };
    if
    :: wasLast && releasePending ->
        atomic {
            lk == 0 -> lk = t + 1;
#ifndef NO_RECHECK
            go = releasePending && clients == 0
#else
            go = 1
#endif
        };
        ReleaseIfIdle(t);
        atomic { assert(lk == t + 1); lk = 0; go = 0; rel = 0; gone = 0; ret = 0 }
    :: else -> skip
    fi;
    fn = 0; wasLast = 0
#else
    atomic {
        if
        :: fn -> inCall[t]--
        :: else -> skip
        fi;
        callDepth[t]--;
        fn = 0
    }
#endif
}

/* The launcher picks an answer, C holding: OWES, number k it owes to Pimpl
   k / 2; MAY, k == NIL, one under a number q has not pending, while it may
   still hold q (alive, and not let go with nothing owed). Such an answer
   changes nothing in q; inside a game thread's call it would not even be
   noted, so only the launcher's own thread gives it. */
#define OWES(K, C) :: (C) && pend[K] > 0 -> k = K; q = K / 2; pend[K]--
#define MAY(Q, C) :: (C) && unowed > 0 && pstate[Q] == 1 && (!dying[Q] || owed[Q] > 0) && clk[Q] == 0 -> \
                     k = NIL; q = Q; unowed--
#define PICK_OWED(C) \
    OWES(0, C) OWES(1, C) OWES(2, C) OWES(3, C) OWES(4, C) OWES(5, C) OWES(6, C) OWES(7, C) OWES(8, C) OWES(9, C)

inline NoteAnswer(t) {
#ifndef NO_OWNTHREAD
    if
    :: callDepth[t] == 0 -> ownThread = 1
    :: else -> skip
    fi
#else
    skip
#endif
}

/* Pimpl::TakeAnswer (TesmaClientPimpl.h) under q's lock, with BeginAnswer:
   found when the number was pending; lst: its request still waits. */
inline TakeAnswer(t) {
    clk[q] == 0 ->
    assert(pstate[q] == 1);
    found = 0; lst = 0;
    if
    :: k != NIL && tab[k] > 0 -> lst = waiting[k]; waiting[k] = 0; tab[k]--; found = 1
#ifdef COUNT_ANY
    :: k == NIL && owed[q] > 0 -> found = 1
#endif
    :: else -> skip
    fi;
    if
    :: found ->
        if
        :: owed[q] > 0 -> owed[q]--
        :: else -> skip
        fi;
        running[q]++; assert(runQ[t] == NIL); runQ[t] = q
    :: else -> skip
    fi
}

/* EndAnswer: the last of the last owed and the last running answer to a
   retired Pimpl unlists it under m_lock, nested in the client's, and frees it. */
inline EndAnswer(t) {
    atomic {
        clk[q] == 0 -> clk[q] = t + 1;
        assert(pstate[q] == 1);
        running[q]--; runQ[t] = NIL;
        last = retired[q] && running[q] == 0 && owed[q] == 0;
        unlist = last && listed[q]
    };
    if
    :: unlist ->
#ifndef UNLOCKED_UNLINK
        Lock(t); atomic { Unlist(q) }; Unlock(t)
#else
        Unlist(q)
#endif
    :: else -> skip
    fi;
    clk[q] = 0;
    if
    :: last -> Free(q)
    :: else -> skip
    fi
}

/* The game's listener for q on thread t (RequestRouting.cpp, Pimpl::On...):
   destroys the client left to it, or its thread's own; on the launcher's
   thread it may also make a client (TesmaClient::TesmaClient) and destroy it. */
inline Listener(t) {
    assert(!destroyReturned[q]);
    if
    :: atomic { given[q] -> given[q] = 0; p = q }
    :: !given[q] && q == mine -> p = q; mine = NIL
    :: !given[q] -> p = NIL
    fi;
    self = (p == q);
    do
    :: p != NIL -> DestroyClient(t, p); p = NIL
    :: p == NIL && t == L && made == 0 ->
        made = 1; p = 4;
        pstate[p] = 1;
        AttachClient(t, b);
        EnterCall(t);
        fn = functions;
        if
        :: fn -> atomic { assert(mapped); inCall[t]++ } /* GetSession */
        :: else -> skip
        fi;
        LeaveCall(t)
    :: p == NIL -> break
    od;
    assert(self || !destroyReturned[q])
}

/* The rest of Pimpl::On... after TakeAnswer: the game's listener, outside
   every lock, then ~LauncherAnswer's EndAnswer */
inline Answered(t) {
    if
    :: found && lst -> Listener(t)
    :: else -> skip
    fi;
    if
    :: found -> EndAnswer(t)
    :: else -> skip
    fi;
    d_step { k = 0; q = 0; found = 0; lst = 0; last = 0; unlist = 0; self = 0 }
}

#define OP_NONE 0
#define OP_SESSION 1  /* TesmaClient::TesmaClient: GetSession */
#define OP_REQUEST 2  /* Pimpl::Request (TesmaClientPimpl.h) */
#define OP_UPDATE 3   /* TesmaClient::Update */
#define OP_SAVEGAME 4 /* a save-game object's call (Savegame.cpp) */

/* a listener of x waits for an answer the launcher owes */
#define HEARS(x) ((waiting[2 * x] && pend[2 * x] > 0) || (waiting[2 * x + 1] && pend[2 * x + 1] > 0))

/* A game thread: one client at a time, up to clientsMax in all and reqMax
   requests, the second to a client under either number; one call of a
   save-game object of its last client's binding; with mayHold, one reference
   of its own to the library, taken and dropped when it likes. */
proctype Game(byte t; byte clientsMax; byte reqMax; bit mayHold) {
    LOCALS;
    byte mine = NIL, made, reqs, creqs, b = NIL, op;
    bit saved, held;
    do
    :: if
       :: mine == NIL && made < clientsMax -> /* TesmaClient::TesmaClient */
           mine = 2 * t + made; made++; creqs = 0;
           pstate[mine] = 1;
           AttachClient(t, b);
           op = OP_SESSION
       :: mine != NIL && reqs < reqMax ->
           reqs++; op = OP_REQUEST;
           if
           :: n = 0
           :: creqs > 0 -> n = 1
           fi;
           creqs++
       :: mine != NIL && PENDING > 0 -> op = OP_UPDATE
       :: b != NIL && !saved -> saved = 1; op = OP_SAVEGAME
       :: mine != NIL -> DestroyClient(t, mine); mine = NIL; creqs = 0
       :: atomic { mine != NIL && HEARS(mine) -> given[mine] = 1; mine = NIL; creqs = 0 }
       :: mayHold -> mayHold = 0; LoadLibrary(); held = 1 /* the game's LoadLibrary */
       :: held -> FreeLibrary(t); held = 0
       :: mine == NIL && !held -> break
       fi;
       if
       :: op == OP_NONE -> skip
       :: else ->
           /* LauncherCall (CallGuards.h): EnterCall, or EnterCallUnder for a save-game object */
#ifndef CHECK_FIRST
           EnterCall(t);
           if
           :: op == OP_SAVEGAME && binding != b -> fn = 0
           :: else -> fn = functions /* call.EntryPoint */
           fi;
#else
           if
           :: op == OP_SAVEGAME && binding != b -> EnterCall(t); fn = 0
           :: else -> EnterCall(t); fn = functions
           fi;
#endif
           if
           :: fn ->
               atomic { /* Request: filed and counted under the client's lock; the entry point takes it */
                   op != OP_REQUEST || clk[mine] == 0 ->
                   assert(mapped); inCall[t]++;
                   if
                   :: op == OP_REQUEST ->
                       k = 2 * mine + n; tab[k]++; waiting[k] = 1; owed[mine]++; pend[k]++; k = 0; n = 0
                   :: else -> skip
                   fi
               };
               /* in a request or Update the launcher may answer any Pimpl */
               do
               :: atomic { if PICK_OWED(op == OP_REQUEST || op == OP_UPDATE) fi; NoteAnswer(t); TakeAnswer(t) };
                  Answered(t)
               :: break
               od
           :: else -> skip
           fi;
           LeaveCall(t)
       fi;
       op = OP_NONE
    od;
    done++
}

/* The launcher's own thread: answers while its library is mapped and not
   detaching; at the end, checks what is left */
proctype Launcher() {
    LOCALS;
    byte mine = NIL, made, b;
end:
    do
    :: atomic {
           if
           PICK_OWED(mapped && !detaching)
           MAY(0, mapped && !detaching) MAY(1, mapped && !detaching) MAY(2, mapped && !detaching) MAY(3, mapped && !detaching)
           fi;
           inCall[L]++; NoteAnswer(L); TakeAnswer(L)
       };
       Answered(L);
       inCall[L]--
    :: done == 2 && PENDING == 0 -> break
    od;
    atomic { /* the retired list, as far as it goes */
        cur = head; reach = 0; n = 0;
        do
        :: cur == NIL || n == 5 -> break
        :: else -> reach = reach | (1 << cur); cur = nextR[cur]; n++
        od
    };
#define LEFT(x) (pstate[x] == 1 && !(orphan[x] && (reach & (1 << x))))
    atomic {
        leak = clients != 0 || (mapped && !ownThread) || LEFT(0) || LEFT(1) || LEFT(2) || LEFT(3) || LEFT(4);
        assert(!leak)
    }
}

/* Three runs in one search: the launcher answering twice what it does not
   owe to one game thread; two game threads with a client each; one game
   thread with two clients in turn while the other holds the library. */
init {
    byte n;
    atomic {
        n = 0;
        do
        :: n == 5 -> break
        :: else -> nextR[n] = NIL; prevR[n] = NIL; n++
        od;
        runQ[0] = NIL; runQ[1] = NIL; runQ[2] = NIL;
        if
        :: unowed = 2; run Game(G0, 1, 2, 0); run Game(G1, 0, 0, 0)
        :: run Game(G0, 1, 1, 0); run Game(G1, 1, 0, 0)
        :: run Game(G0, 2, 2, 0); run Game(G1, 0, 0, 1)
        fi;
        run Launcher()
    }
}

/*
 * The binding protocol of LauncherApi, for spin: two game threads and one
 * thread of the launcher's own. Each step stands for one step of the code,
 * named in its comment (LauncherApi.cpp unless another file is named).
 * Promela's interleaving is sequentially consistent, as the code's atomics are.
 *
 * Properties:
 *  1. the library is never freed while a thread runs in it (a forward, or an
 *     answer on the launcher's thread), and nothing enters it unmapped;
 *  2. no answer, listener or unlink touches a freed Pimpl; none is freed twice;
 *  3. no deadlock (pan's invalid end states);
 *  4. at the end of a complete run, with every client destroyed and every
 *     answer delivered, no Pimpl is left and the library is freed unless an
 *     answer came on the launcher's own thread.
 *
 * Each of these removes one step of the protocol (check-binding-model.sh):
 *  NO_RETIRE        the destructor frees its Pimpl whatever is owed
 *  NO_INPROGRESS    forwards are not counted in m_inProgress
 *  NO_OWNTHREAD     EnterAnswer does not note an answer on the launcher's thread
 *  NO_RECHECK       ReleaseIfIdle trusts LeaveCall's unlocked look at the binding
 *  UNLOCKED_UNLINK  LeaveAnswer unlinks from the retired list without the lock
 *  CHECK_FIRST      EnterCallUnder reads the binding number before entering
 *  LOCKED_FREE      ReleaseUnlocked keeps the lock across FreeLibrary
 *  NO_RELEASE_WAIT  AttachClient binds anew while a release's FreeLibrary runs
 */

#define G0 0
#define G1 1
#define L 2
#define NIL 255
#define MAXREQ 2 /* requests per game thread */

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
byte callDepth[3];            /* t_callDepth */

/* The Pimpls' OwedAnswers: two per game thread, one for a client made on the launcher's thread */
byte owed[5];             /* Owed & CountMask */
bit retired[5];           /* Owed & RetiredFlag */
byte nextRetired[5];      /* NextRetired */

/* The system, the launcher and the game */
byte loader;              /* the loader's lock: owner + 1 */
bit mapped;               /* the library is in memory */
byte refs;                /* the loader's count of it */
bit detaching;            /* FreeLibrary runs its detach: the launcher's thread enters no more */
byte inCall[3];           /* the thread's calls into the launcher's code, nested */
byte pend[5];             /* answers the launcher owes each Pimpl */
byte pstate[5];           /* 0 not made, 1 alive, 2 freed */
bit given[5];             /* the client is left to a listener to destroy */
byte done;                /* game threads finished */
bit leak;

#define LOCALS byte q, fn, ret, n, cur, prev, tmp, wasOwed; bit dropped, last, listed, destroyNow, wasLast, unload, go, rel

inline Lock(t) { atomic { lk == 0 -> lk = t + 1 } }
inline Unlock(t) { atomic { assert(lk == t + 1); lk = 0 } }

/* common::Delete of a Pimpl */
inline Free(p) { atomic { assert(pstate[p] == 1); pstate[p] = 2 } }

/* SystemCalls::LoadModule: LoadLibrary. A module still loaded is the same
   one, counted once more. */
inline LoadLibrary() {
    atomic { loader == 0 -> refs++; mapped = 1 }
}

/* SystemCalls::ReleaseModule: FreeLibrary. The last reference runs the
   launcher's detach under the loader's lock: it waits until the launcher's
   thread is out of its code. What the launcher never answered dies with it. */
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
        (!inCall[L]);
        atomic {
            assert(!inCall[G0] && !inCall[G1] && !inCall[L]);
            mapped = 0; detaching = 0; loader = 0;
            pend[0] = 0; pend[1] = 0; pend[2] = 0; pend[3] = 0; pend[4] = 0
        }
    :: else -> skip
    fi
}

/* ReleaseIfIdle, lock held; go: releasePending && m_clients == 0, read under it */
inline ReleaseIfIdle(t) {
    if
    :: go && inProgress == 0 ->
        if
        :: atomic { !ownThread -> /* then ReleaseUnlocked takes module and list */
               releasePending = 0;
               rel = module; ret = head; module = 0; head = NIL }
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
#ifndef LOCKED_FREE
            atomic { lk = 0 };
#endif
            FreeLibrary(t);
            do /* DestroyAll */
            :: ret == NIL -> break
            :: else -> n = nextRetired[ret]; Free(ret); ret = n
            od;
#ifndef LOCKED_FREE
            Lock(t);
#endif
            state = Released /* then WakeAll */
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

/* TesmaClient::~TesmaClient: DetachClient, then the Pimpl's delete if it says so */
inline DestroyClient(t, p) {
    atomic {
        lk == 0 -> lk = t + 1;
        wasOwed = owed[p]; retired[p] = 1; /* fetch_or(RetiredFlag) */
        destroyNow = 1;
#ifndef NO_RETIRE
        if
        :: wasOwed != 0 -> nextRetired[p] = head; head = p; destroyNow = 0 /* listed under the lock */
        :: else -> skip
        fi;
#endif
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
    atomic {
        assert(lk == t + 1); lk = 0;
        if
        :: destroyNow -> Free(p)
        :: else -> skip
        fi
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
        Unlock(t)
    :: else -> skip
    fi
#else
    atomic {
        if
        :: fn -> inCall[t]--
        :: else -> skip
        fi;
        callDepth[t]--
    }
#endif
}

/* LeaveAnswer, the count having reached RetiredFlag: unlinks q if still listed */
inline Unlink(t) {
#ifndef UNLOCKED_UNLINK
    Lock(t);
#endif
    atomic { listed = 0; prev = NIL; cur = head };
    do
    :: cur == NIL -> break
    :: cur == q ->
        tmp = nextRetired[q];
        if
        :: prev == NIL -> head = tmp
        :: else -> nextRetired[prev] = tmp
        fi;
        listed = 1;
        break
    :: else -> atomic { assert(pstate[cur] == 1); prev = cur; cur = nextRetired[cur] }
    od;
#ifndef UNLOCKED_UNLINK
    Unlock(t);
#endif
    if
    :: listed -> Free(q)
    :: else -> skip
    fi
}

/* The game's listener for q on thread t (RequestRouting.cpp, Pimpl::On...):
   destroys the client left to it, or its thread's own; on the launcher's
   thread it may also make a client (TesmaClient::TesmaClient) and destroy it. */
inline Listener(t) {
    assert(pstate[q] == 1); /* Pimpl::TakeListener */
    if
    :: atomic { given[q] -> given[q] = 0; p = q }
    :: !given[q] && q == mine -> p = q; mine = NIL
    :: !given[q] -> p = NIL
    fi;
    do
    :: p != NIL -> DestroyClient(t, p); p = NIL
    :: p == NIL && t == L && made == 0 ->
        made = 1; p = 4;
        d_step { pstate[p] = 1; owed[p] = 0; retired[p] = 0 };
        AttachClient(t, b);
        EnterCall(t);
        fn = functions;
        if
        :: fn -> atomic { assert(mapped); inCall[t]++ } /* GetSession */
        :: else -> skip
        fi;
        LeaveCall(t)
    :: p == NIL -> break
    od
}

/* EnterAnswer: an answer on a thread with no call of ours in progress */
inline OwnThreadCheck(t) {
#ifndef NO_OWNTHREAD
    if
    :: callDepth[t] == 0 -> ownThread = 1
    :: else -> skip
    fi
#else
    skip
#endif
}

/* Pimpl::On... (RequestRouting.cpp): LauncherAnswer around TakeListener and
   the game's listener, the launcher having taken q's answer from pend and
   EnterAnswer having made its OwnThreadCheck. */
inline Answer(t) {
    atomic { assert(pstate[q] == 1); dropped = retired[q] }; /* EnterAnswer: IsRetired */
    if
    :: !dropped -> Listener(t)
    :: else -> skip
    fi;
    atomic { /* LeaveAnswer: owed-- by CAS */
        assert(pstate[q] == 1);
        if
        :: owed[q] == 0 -> last = 0
        :: else -> owed[q]--; last = (retired[q] && owed[q] == 0)
        fi
    };
    if
    :: last -> Unlink(t)
    :: else -> skip
    fi
}

#define OP_NONE 0
#define OP_SESSION 1  /* TesmaClient::TesmaClient: GetSession */
#define OP_REQUEST 2  /* Pimpl::Request (RequestRouting.cpp) */
#define OP_UPDATE 3   /* TesmaClient::Update */
#define OP_SAVEGAME 4 /* a save-game object's call (Savegame.cpp) */

/* A game thread: one client at a time, up to clientsMax in all and reqMax
   requests; one call of a save-game object of its last client's binding. */
proctype Game(byte t; byte clientsMax; byte reqMax) {
    LOCALS;
    byte p, mine = NIL, made, reqs, b = NIL, op;
    bit saved;
    do
    :: if
       :: mine == NIL && made < clientsMax -> /* TesmaClient::TesmaClient */
           mine = 2 * t + made; made++;
           d_step { pstate[mine] = 1; owed[mine] = 0; retired[mine] = 0 };
           AttachClient(t, b);
           op = OP_SESSION
       :: mine != NIL && reqs < reqMax -> reqs++; op = OP_REQUEST
       :: mine != NIL && pend[2 * t] + pend[2 * t + 1] > 0 -> op = OP_UPDATE
       :: b != NIL && !saved -> saved = 1; op = OP_SAVEGAME
       :: mine != NIL -> DestroyClient(t, mine); mine = NIL; op = OP_NONE
       :: atomic { mine != NIL && pend[mine] > 0 -> given[mine] = 1; mine = NIL; op = OP_NONE }
       :: mine == NIL -> break
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
               atomic { /* Request: table.Insert, RequestSent; the entry point, which takes the request */
                   assert(mapped); inCall[t]++;
                   if
                   :: op == OP_REQUEST -> owed[mine]++; pend[mine]++
                   :: else -> skip
                   fi
               };
               /* in a request or Update the launcher may answer this thread's Pimpls */
               do
               :: atomic {
                      (op == OP_REQUEST || op == OP_UPDATE) && pend[2 * t] + pend[2 * t + 1] > 0 ->
                      if
                      :: pend[2 * t] > 0 -> q = 2 * t
                      :: pend[2 * t + 1] > 0 -> q = 2 * t + 1
                      fi;
                      pend[q]--;
                      OwnThreadCheck(t)
                  };
                  Answer(t)
               :: break
               od
           :: else -> skip
           fi;
           LeaveCall(t)
       fi
    od;
    done++
}

/* The launcher's own thread: answers while its library is mapped */
proctype Launcher() {
    LOCALS;
    byte p, mine = NIL, made, b;
end:
    do
    :: atomic {
           mapped && !detaching && pend[0] + pend[1] + pend[2] + pend[3] + pend[4] > 0 ->
           if
           :: pend[0] > 0 -> q = 0
           :: pend[1] > 0 -> q = 1
           :: pend[2] > 0 -> q = 2
           :: pend[3] > 0 -> q = 3
           :: pend[4] > 0 -> q = 4
           fi;
           pend[q]--;
           inCall[L]++;
           OwnThreadCheck(L)
       };
       Answer(L);
       inCall[L]--
    :: done == 2 && pend[0] + pend[1] + pend[2] + pend[3] + pend[4] == 0 -> break
    od;
    atomic {
        leak = clients != 0 || (mapped && !ownThread) ||
               pstate[0] == 1 || pstate[1] == 1 || pstate[2] == 1 || pstate[3] == 1 || pstate[4] == 1;
        assert(!leak)
    }
}

/* Two runs in one search: two game threads with a client each, and one game
   thread with two clients in turn; the launcher's listener makes a client in both. */
init {
    atomic {
        nextRetired[0] = NIL; nextRetired[1] = NIL; nextRetired[2] = NIL; nextRetired[3] = NIL; nextRetired[4] = NIL;
        if
        :: run Game(G0, 1, 1); run Game(G1, 1, 0)
        :: run Game(G0, 2, 2); run Game(G1, 0, 0)
        fi;
        run Launcher()
    }
}

#pragma once

// Something the launcher may still call into, kept by LauncherApi until the
// launcher did, or until its library is unloaded and no longer can.
//
// Invariants: the links and Listed are written under LauncherApi's lock; an
// object is in its retired list exactly while Listed is set. Destroy frees
// the whole object, exactly once: by its owner's code once it left the list,
// or by the release that unloads the library while it is listed.

namespace kz {

struct Retained {
    Retained* PrevRetained = nullptr;
    Retained* NextRetained = nullptr;
    bool Listed = false;
    void (*Destroy)(Retained*) = nullptr;
};

} // namespace kz

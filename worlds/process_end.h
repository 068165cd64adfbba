#pragma once
// When the program is ending, an open cancelled by the close leaves what it
// built for the process's end to take back, instead of freeing it piece by
// piece while the window waits: freeing a half-built world of 188,000 bodies
// and its description held the close for 90 ms, and the memory goes back with
// the process anyway. Until the frame closes, cancelled work is freed as usual.

#include <memory>

// Called once by the frame as it closes; never undone.
void LeaveCancelledWorkToProcessEnd();
bool CancelledWorkLeftToProcessEnd();

// Frees what a cancelled open built, unless the program is ending.
template <class T>
void DropCancelled(std::unique_ptr<T>& built)
{
    if (CancelledWorkLeftToProcessEnd())
        static_cast<void>(built.release());
    else
        built.reset();
}

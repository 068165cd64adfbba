#include "worlds/process_end.h"

#include <atomic>

namespace {

std::atomic<bool> g_leftToProcessEnd{false};

}  // namespace

void LeaveCancelledWorkToProcessEnd()
{
    g_leftToProcessEnd = true;
}

bool CancelledWorkLeftToProcessEnd()
{
    return g_leftToProcessEnd.load();
}

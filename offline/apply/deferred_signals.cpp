#include "deferred_signals.h"

namespace offline {
namespace {

constexpr int kDeferred[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

}  // namespace

DeferredSignals::DeferredSignals()
{
    sigemptyset(&deferred_);
    for (int signal : kDeferred)
        sigaddset(&deferred_, signal);
    sigprocmask(SIG_BLOCK, &deferred_, &previous_);
}

DeferredSignals::~DeferredSignals() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

bool DeferredSignals::Pending() const
{
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    for (int signal : kDeferred) {
        // One the caller blocked already is the caller's to handle.
        if (sigismember(&pending, signal) == 1 && sigismember(&previous_, signal) == 0)
            return true;
    }
    return false;
}

}  // namespace offline

// Ctrl-C and its kin held back while hives are written, so that an apply
// stops only where it can clean up: before any hive is replaced, it gives up
// and removes its new files; once the renames have begun, it finishes them.
// The signal is delivered, with its usual effect, when this goes out of scope.
#pragma once

#include <signal.h>

namespace offline {

class DeferredSignals {
public:
    DeferredSignals();
    ~DeferredSignals();
    DeferredSignals(const DeferredSignals&) = delete;
    DeferredSignals& operator=(const DeferredSignals&) = delete;

    bool Pending() const;  // one of them arrived and waits

private:
    sigset_t deferred_;
    sigset_t previous_;
};

}  // namespace offline

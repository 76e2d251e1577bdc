#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

// Holds off interrupt, hangup, quit and termination signals while files are
// written, so that a stopped batch leaves only complete files behind (never
// a temporary one). A signal that arrives meanwhile takes effect at the next
// deliverPending() between two files, or when the guard ends.
class InterruptGuard
{
public:
    InterruptGuard();
    ~InterruptGuard();

    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

    // Whether such a signal is waiting.
    bool pending() const;
    // Lets a waiting signal take its effect (usually ending the process).
    void deliverPending();

private:
#ifdef Q_OS_UNIX
    sigset_t held;
    sigset_t previous;
#endif
};

#include "interruptguard.h"

#ifdef Q_OS_UNIX

#include <pthread.h>

InterruptGuard::InterruptGuard()
{
    sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &previous);
}

InterruptGuard::~InterruptGuard()
{
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool InterruptGuard::pending() const
{
    sigset_t waiting;
    if (sigpending(&waiting) != 0)
        return false;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        if (sigismember(&held, signal) && sigismember(&waiting, signal))
            return true;
    }
    return false;
}

void InterruptGuard::deliverPending()
{
    // Unblocking delivers what is waiting before the call returns.
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    pthread_sigmask(SIG_BLOCK, &held, nullptr);
}

#else

InterruptGuard::InterruptGuard() = default;
InterruptGuard::~InterruptGuard() = default;
bool InterruptGuard::pending() const
{
    return false;
}
void InterruptGuard::deliverPending() {}

#endif

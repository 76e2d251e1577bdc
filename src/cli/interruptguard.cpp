#include "interruptguard.h"

#ifdef Q_OS_UNIX

#include <pthread.h>

#include <atomic>

namespace {

const int Interrupting[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::atomic<bool> cpuLimitReached{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onCpuLimit(int)
{
    cpuLimitReached = true;
}

bool ignored(int signal)
{
    struct sigaction current;
    return sigaction(signal, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_IGN;
}

} // namespace

InterruptGuard::InterruptGuard()
{
    // Held, an ignored signal would wait to be delivered instead of being
    // dropped as its sender (nohup, a shell) expects.
    sigemptyset(&held);
    for (int signal : Interrupting) {
        if (!ignored(signal))
            sigaddset(&held, signal);
    }
    pthread_sigmask(SIG_BLOCK, &held, &previous);
}

InterruptGuard::~InterruptGuard()
{
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

InterruptGuard::Stop InterruptGuard::pending() const
{
    sigset_t waiting;
    if (sigpending(&waiting) == 0) {
        for (int signal : Interrupting) {
            if (sigismember(&held, signal) && sigismember(&waiting, signal))
                return Interrupt;
        }
    }
    return cpuLimitReached ? CpuLimit : None;
}

void InterruptGuard::deliverPending()
{
    // Unblocking delivers what is waiting before the call returns.
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    pthread_sigmask(SIG_BLOCK, &held, nullptr);
}

void InterruptGuard::watchCpuLimit()
{
#ifdef SIGXCPU
    if (ignored(SIGXCPU))
        return;
    struct sigaction action = {};
    action.sa_handler = onCpuLimit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGXCPU, &action, nullptr);
#endif
}

#else

InterruptGuard::InterruptGuard() = default;
InterruptGuard::~InterruptGuard() = default;
InterruptGuard::Stop InterruptGuard::pending() const
{
    return None;
}
void InterruptGuard::deliverPending() {}
void InterruptGuard::watchCpuLimit() {}

#endif

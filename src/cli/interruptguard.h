#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

// Holds off interrupt, hangup, quit and termination signals while files are
// written, so that a stopped batch leaves only complete files behind (never
// a temporary one). A signal that arrives meanwhile takes effect at the next
// deliverPending() between two files, or when the guard ends. A signal that
// was ignored when the guard began (under nohup, say) is not held: it stays
// ignored.
//
// The processor time limit's signal (SIGXCPU, at a soft `ulimit -t`) would
// end the process without a word: once watchCpuLimit() has been called it is
// caught instead, and pending() tells of it, so that the batch stops between
// two files.
class InterruptGuard
{
public:
    InterruptGuard();
    ~InterruptGuard();

    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

    enum Stop
    {
        None,
        Interrupt, // a held signal is waiting
        CpuLimit,  // the processor time limit was reached
    };
    // What asks the batch to stop, if anything.
    Stop pending() const;
    // Lets a waiting signal take its effect (usually ending the process).
    void deliverPending();

    // Catches SIGXCPU from now on, unless it was ignored (korvane-cli does
    // so when it starts).
    static void watchCpuLimit();

private:
#ifdef Q_OS_UNIX
    sigset_t held;
    sigset_t previous;
#endif
};

#include "SleeperScheduling.h"

#ifdef __linux__

#include <pthread.h>
#include <sched.h>

namespace tarnwick::sleeper_scheduling {

namespace {

void setPolicy(int policy)
{
    // Both policies are open to every user; were one refused, the worker
    // would merely keep the one it has.
    const sched_param parameters {};
    pthread_setschedparam(pthread_self(), policy, &parameters);
}

} // namespace

void beforeSleeping()
{
    setPolicy(SCHED_BATCH);
}

void afterWaking()
{
    setPolicy(SCHED_OTHER);
}

} // namespace tarnwick::sleeper_scheduling

#else

namespace tarnwick::sleeper_scheduling {

void beforeSleeping() { }

void afterWaking() { }

} // namespace tarnwick::sleeper_scheduling

#endif

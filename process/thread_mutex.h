// A small thread library: an error-checking, non-recursive mutex and thread
// start, join, yield and sleep. Results are 0 on success and the codes
// below otherwise (our own constants, not errno values of this system).
#pragma once

#include <cstdint>

inline constexpr int32_t kThreadNotOwner = 1;     // unlock by a thread that does not hold it
inline constexpr int32_t kThreadNoMemory = 12;    // the block could not be allocated
inline constexpr int32_t kThreadInvalid = 22;     // null handle address, null handle, failed wait
inline constexpr int32_t kThreadDeadlock = 36;    // the holder locked again

struct MutexBlock;
// A mutex handle: null when there is none.
using Mutex = MutexBlock*;

int32_t MutexInit(Mutex* m);
// Blocks until the mutex is free; 36 (and the mutex stays held once) when
// the caller already holds it.
int32_t MutexLock(Mutex* m);
// 1 when the caller does not hold the mutex (nothing changes).
int32_t MutexUnlock(Mutex* m);
// Frees the mutex and nulls the handle; the caller makes sure no other
// thread uses it any more.
int32_t MutexDestroy(Mutex* m);

// A thread function takes one argument and returns the thread's exit code.
using ThreadFunction = int32_t (*)(void* arg);
// A kept thread's handle; 0 is none.
using ThreadHandle = intptr_t;

// Starts fn(arg) at once. keep 0: the thread runs detached and the result
// is 0; otherwise the result is the handle that ThreadJoin must take once.
// -1 when the thread cannot be started.
ThreadHandle ThreadCreate(ThreadFunction fn, void* arg, int32_t keep);

// Waits for the thread to end, stores its exit code when exitCode is not
// null, and releases the handle. 22 for a handle that cannot be waited for.
int32_t ThreadJoin(ThreadHandle handle, int32_t* exitCode);

void ThreadYield();
void ThreadSleep(uint32_t milliseconds);

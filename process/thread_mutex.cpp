#include "process/thread_mutex.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <new>

#include "platform/clock.h"

struct MutexBlock {
  pthread_mutex_t section;
  // The holder's thread id, 0 when free. Written only by the holder; read
  // without the lock by MutexUnlock, hence atomic.
  std::atomic<pid_t> owner;
};

namespace {

// The calling thread's id, asked of the system once per thread: locking and
// unlocking compare it with the holder's on every call. A forked child's
// thread starts with its parent thread's copy, so the child asks again.
thread_local pid_t t_threadId = 0;

void ForgetThreadId() { t_threadId = 0; }

[[maybe_unused]] const int g_forkHandler = pthread_atfork(nullptr, nullptr, ForgetThreadId);

pid_t CurrentThreadId() {
  if (t_threadId == 0) t_threadId = gettid();
  return t_threadId;
}

struct ThreadStartRecord {
  ThreadFunction fn;
  void* arg;
};

void* ThreadEntry(void* parameter) {
  auto* record = static_cast<ThreadStartRecord*>(parameter);
  ThreadFunction fn = record->fn;
  void* arg = record->arg;
  delete record;
  return reinterpret_cast<void*>(static_cast<intptr_t>(fn(arg)));
}

}  // namespace

int32_t MutexInit(Mutex* m) {
  if (m == nullptr) return kThreadInvalid;
  auto* block = new (std::nothrow) MutexBlock;
  if (block == nullptr) return kThreadNoMemory;
  pthread_mutex_init(&block->section, nullptr);
  block->owner.store(0);
  *m = block;
  return 0;
}

int32_t MutexLock(Mutex* m) {
  if (m == nullptr || *m == nullptr) return kThreadInvalid;
  MutexBlock* block = *m;
  const pid_t me = CurrentThreadId();
  // The holder asking again would wait for itself: refuse instead.
  if (block->owner.load(std::memory_order_relaxed) == me) return kThreadDeadlock;
  pthread_mutex_lock(&block->section);
  block->owner.store(me, std::memory_order_relaxed);
  return 0;
}

int32_t MutexUnlock(Mutex* m) {
  if (m == nullptr || *m == nullptr) return kThreadInvalid;
  MutexBlock* block = *m;
  const pid_t owner = block->owner.load(std::memory_order_relaxed);
  if (owner == 0 || owner != CurrentThreadId()) return kThreadNotOwner;
  block->owner.store(0, std::memory_order_relaxed);
  pthread_mutex_unlock(&block->section);
  return 0;
}

int32_t MutexDestroy(Mutex* m) {
  if (m == nullptr || *m == nullptr) return kThreadInvalid;
  pthread_mutex_destroy(&(*m)->section);
  delete *m;
  *m = nullptr;
  return 0;
}

ThreadHandle ThreadCreate(ThreadFunction fn, void* arg, int32_t keep) {
  auto* record = new (std::nothrow) ThreadStartRecord{fn, arg};
  if (record == nullptr) return -1;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, ThreadEntry, record) != 0) {
    delete record;
    return -1;
  }
  if (keep == 0) {
    pthread_detach(thread);
    return 0;
  }
  return static_cast<ThreadHandle>(thread);
}

int32_t ThreadJoin(ThreadHandle handle, int32_t* exitCode) {
  if (handle == 0 || handle == -1) return kThreadInvalid;
  void* result = nullptr;
  if (pthread_join(static_cast<pthread_t>(handle), &result) != 0) return kThreadInvalid;
  if (exitCode != nullptr) *exitCode = static_cast<int32_t>(reinterpret_cast<intptr_t>(result));
  return 0;
}

void ThreadYield() { sched_yield(); }

void ThreadSleep(uint32_t milliseconds) { PlatformSleep(milliseconds); }

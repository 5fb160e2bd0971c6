#include "process/thread_mutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

namespace {

TEST(MutexTest, NullHandlesGive22) {
  EXPECT_EQ(MutexInit(nullptr), kThreadInvalid);
  Mutex none = nullptr;
  EXPECT_EQ(MutexLock(nullptr), kThreadInvalid);
  EXPECT_EQ(MutexLock(&none), kThreadInvalid);
  EXPECT_EQ(MutexUnlock(&none), kThreadInvalid);
  EXPECT_EQ(MutexDestroy(&none), kThreadInvalid);
}

TEST(MutexTest, OwnershipRules) {
  Mutex m = nullptr;
  ASSERT_EQ(MutexInit(&m), 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(MutexUnlock(&m), kThreadNotOwner);  // nobody holds it
  EXPECT_EQ(MutexLock(&m), 0);
  EXPECT_EQ(MutexLock(&m), kThreadDeadlock);  // not recursive

  struct Shared {
    Mutex* m;
    std::atomic<int> unlockResult{-100};
  } shared{&m};
  auto tryUnlock = [](void* arg) -> int32_t {
    auto* s = static_cast<Shared*>(arg);
    s->unlockResult = MutexUnlock(s->m);
    return 0;
  };
  ThreadHandle thread = ThreadCreate(tryUnlock, &shared, 1);
  ASSERT_GT(thread, 0);
  ASSERT_EQ(ThreadJoin(thread, nullptr), 0);
  EXPECT_EQ(shared.unlockResult, kThreadNotOwner);  // the owner keeps it

  // One unlock releases it after the refused second lock; another thread
  // then locks at once.
  EXPECT_EQ(MutexUnlock(&m), 0);
  auto lockAndUnlock = [](void* arg) -> int32_t {
    Mutex* mutex = static_cast<Mutex*>(arg);
    return MutexLock(mutex) * 100 + MutexUnlock(mutex);
  };
  thread = ThreadCreate(lockAndUnlock, &m, 1);
  int32_t code = -1;
  ASSERT_EQ(ThreadJoin(thread, &code), 0);
  EXPECT_EQ(code, 0);

  EXPECT_EQ(MutexDestroy(&m), 0);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(MutexDestroy(&m), kThreadInvalid);
}

// A forked child's thread starts as a copy of its parent's, yet is another
// thread: the mutex the parent holds is not the child's to unlock.
TEST(MutexTest, AForkedChildDoesNotHoldItsParentsLock) {
  Mutex m = nullptr;
  ASSERT_EQ(MutexInit(&m), 0);
  ASSERT_EQ(MutexLock(&m), 0);
  const pid_t child = fork();
  if (child == 0) _exit(MutexUnlock(&m) == kThreadNotOwner ? 0 : 1);
  ASSERT_GT(child, 0);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(MutexUnlock(&m), 0);
  MutexDestroy(&m);
}

TEST(MutexTest, LockSerialisesThreads) {
  Mutex m = nullptr;
  ASSERT_EQ(MutexInit(&m), 0);
  struct Shared {
    Mutex* m;
    int counter = 0;
  } shared{&m};
  auto work = [](void* arg) -> int32_t {
    auto* s = static_cast<Shared*>(arg);
    for (int i = 0; i < 10000; ++i) {
      if (MutexLock(s->m) != 0) return 1;
      ++s->counter;
      if (MutexUnlock(s->m) != 0) return 2;
    }
    return 0;
  };
  ThreadHandle a = ThreadCreate(work, &shared, 1);
  ThreadHandle b = ThreadCreate(work, &shared, 1);
  int32_t codeA = -1, codeB = -1;
  ASSERT_EQ(ThreadJoin(a, &codeA), 0);
  ASSERT_EQ(ThreadJoin(b, &codeB), 0);
  EXPECT_EQ(codeA, 0);
  EXPECT_EQ(codeB, 0);
  EXPECT_EQ(shared.counter, 20000);
  MutexDestroy(&m);
}

TEST(ThreadTest, DetachedAndKeptThreads) {
  std::atomic<int> ran{0};
  auto bump = [](void* arg) -> int32_t {
    static_cast<std::atomic<int>*>(arg)->fetch_add(1);
    return 42;
  };
  EXPECT_EQ(ThreadCreate(bump, &ran, 0), 0);
  ThreadHandle kept = ThreadCreate(bump, &ran, 1);
  int32_t code = 0;
  ASSERT_EQ(ThreadJoin(kept, &code), 0);
  EXPECT_EQ(code, 42);
  while (ran.load() < 2) ThreadYield();
  EXPECT_EQ(ThreadJoin(0, nullptr), kThreadInvalid);
}

}  // namespace

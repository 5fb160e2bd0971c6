#include "platform/process_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/events.h"
#include "platform/file_io.h"
#include "platform/process.h"

namespace {

// Each case runs in a child, which alone gets the handling: the test
// process keeps its own.

TEST(ProcessSignalsTest, AWriteToAPipeWithoutReaderFailsInsteadOfEndingTheProcess) {
  EXPECT_EXIT(
      {
        PlatformInstallSignalHandling();
        int ends[2];
        if (pipe(ends) != 0) std::_Exit(2);
        close(ends[0]);
        const bool written = PlatformWriteAll(ends[1], "x", 1);
        const bool broken = errno == EPIPE;
        raise(SIGPIPE);
        std::_Exit(!written && broken ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// SIGTERM and SIGINT, however early, wait as one close message each.
TEST(ProcessSignalsTest, TerminationBecomesACloseMessage) {
  for (int signal_number : {SIGTERM, SIGINT}) {
    EXPECT_EXIT(
        {
          signal(signal_number, SIG_DFL);
          PlatformInstallSignalHandling();
          PlatformInstallSignalHandling();  // a second call changes nothing
          raise(signal_number);
          PlatformEvent event;
          const bool pending = PlatformEventPending();
          const bool close = PlatformPollEvent(&event) && event.type == PlatformEventType::kClose;
          const bool once = !PlatformPollEvent(&event) && !PlatformEventPending();
          std::_Exit(pending && close && once ? 0 : 1);
        },
        testing::ExitedWithCode(0), "")
        << strsignal(signal_number);
  }
}

// A SIGINT or SIGTERM that the process was started ignoring (a background
// job's SIGINT, nohup) stays ignored.
TEST(ProcessSignalsTest, SignalsIgnoredFromTheStartStayIgnored) {
  EXPECT_EXIT(
      {
        signal(SIGINT, SIG_IGN);
        signal(SIGTERM, SIG_IGN);
        PlatformInstallSignalHandling();
        raise(SIGINT);
        raise(SIGTERM);
        std::_Exit(PlatformEventPending() ? 1 : 0);
      },
      testing::ExitedWithCode(0), "");
}

// A started program gets the default SIGPIPE back: it ends by it.
TEST(ProcessSignalsTest, StartedProgramsKeepTheDefaultSigpipe) {
  EXPECT_EXIT(
      {
        PlatformInstallSignalHandling();
        const pid_t child = PlatformProcessStart({"sh", "-c", "kill -PIPE $$; exit 3"});
        std::_Exit(child > 0 && PlatformProcessWait(child) == 128 + SIGPIPE ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace

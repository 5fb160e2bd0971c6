// Music on a started runtime: the frame end restarts a looping piece whose
// time is up, and the teardown stops a piece while it plays.
#include "devices/music.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/app_shutdown.h"
#include "app/frame_end.h"
#include "app/runtime_main.h"
#include "devices/sound_device.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/timer.h"
#include "tests/support/media_encoder.h"
#include "tests/support/screen_report.h"
#include "tests/support/sound_fixture.h"
#include "tests/support/test_env.h"

namespace {

TEST(MusicRuntimeTest, FrameEndRestartsTheLoopAndTeardownStopsIt) {
  const std::string folder = TestFolderForCurrentTest("music_runtime");
  ScopedEnv tmpdir("TMPDIR", folder);
  const std::string path = folder + "/tune.mp3";
  ASSERT_TRUE(WriteMp3File(path, ToneSamples(2, 22050, 22050), 2, 22050));
  EXPECT_EXIT(
      {
        RuntimeInit();
        MusicPlay(path.c_str(), true);
        int failures = g_errorState.code != 0 || g_music.window == nullptr;
        MakeMusicLoopDue();
        const double before = TimerGetMillis();
        ShowScreen();
        failures += g_music.loopDeadline < before + 1000.0 - 2.0;
        AppShutdown();
        failures += g_music.window != nullptr || g_music.loopDeadline != 0.0 || g_music.volume != -1.0;
        failures += g_app.soundDevice != nullptr;
        std::_Exit(failures);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace

#include "app/sub_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/runtime_main.h"
#include "process/app_globals.h"
#include "tests/support/test_env.h"

namespace {

std::vector<std::string> g_calls;
int g_loopPasses = 0;

void OnQuit() { g_calls.push_back("quit"); }
void OnPause() {
  g_calls.push_back("pause");
  g_app.paused = 0;  // a SUB cannot change the flag for good
}
void OnResume() {
  g_calls.push_back("resume");
  g_app.paused = 1;
}
void Hook() { g_calls.push_back("hook"); }
void LoopB() {
  g_calls.push_back("B");
  if (++g_loopPasses >= 5) SubRunLoop("");
}
void LoopA() {
  g_calls.push_back("A");
  if (++g_loopPasses == 2) SubRunLoop("B");
}
void LoopToMissing() {
  g_calls.push_back("M");
  SubRunLoop("NOT_THERE");
}
void QuitLower() { g_calls.push_back("lower"); }

const SubTableEntry kTable[] = {
    {OnQuit, "VNL_ON_QUIT"},     {QuitLower, "vnl_on_quit"}, {OnPause, "VNL_ON_PAUSE"},
    {OnResume, "VNL_ON_RESUME"}, {Hook, "VNL_WIN32_MSG"},    {LoopA, "A"},
    {LoopB, "B"},                {LoopToMissing, "M"},       {OnQuit, ""},
    {nullptr, "never read"},
};
const SubTableEntry kEmptyTable[] = {{nullptr, nullptr}};

class SubTableTest : public testing::Test {
 protected:
  void SetUp() override {
    g_subTable = kTable;
    g_calls.clear();
    g_loopPasses = 0;
    g_app.paused = 0;
    g_app.autoPause = 1;
    SubTableResetState();
  }
  void TearDown() override {
    g_subTable = RuntimeGame().subs;
    g_app.paused = 0;
    g_app.autoPause = 1;
    SubTableResetState();
  }
};

TEST_F(SubTableTest, LookUpComparesLengthThenBytesCaseSensitively) {
  EXPECT_EQ(SubFindByName("VNL_ON_QUIT"), &OnQuit);
  EXPECT_EQ(SubFindByName("vnl_on_quit"), &QuitLower);
  EXPECT_EQ(SubFindByName("Vnl_On_Quit"), nullptr);
  EXPECT_EQ(SubFindByName("VNL_ON_QUITX"), nullptr);
  EXPECT_EQ(SubFindByName("VNL_ON_QUI"), nullptr);
  EXPECT_EQ(SubFindByName(""), &OnQuit);  // the entry with the empty name
  EXPECT_EQ(SubFindByName("never read"), nullptr);
  g_subTable = kEmptyTable;
  EXPECT_EQ(SubFindByName(""), nullptr);
}

TEST_F(SubTableTest, CallByNameReportsOnlyUnexpectedMisses) {
  DebugCapture debugger;
  EXPECT_EQ(SubCallByName("VNL_ON_QUIT"), 1);
  EXPECT_EQ(g_calls, std::vector<std::string>{"quit"});
  g_subTable = kEmptyTable;
  EXPECT_EQ(SubCallByName("VNL_ON_QUIT"), 0);
  EXPECT_EQ(SubCallByName("VNL_WIN32_MSG"), 0);
  EXPECT_EQ(debugger.Text(), "");
  std::string longName(3000, 'x');
  EXPECT_EQ(SubCallByName("Foo"), 0);
  EXPECT_EQ(SubCallByName(longName.c_str()), 0);
  EXPECT_EQ(debugger.Text(), "TXCALLBYNAME \"Foo\" *** failed ***\nTXCALLBYNAME \"" + longName + "\" *** failed ***\n");
}

TEST_F(SubTableTest, LoopSwitchesAndEnds) {
  SubRunLoop("A");
  // A runs to the end of the pass that asked for B; B then runs until it
  // stops the loop with an empty name.
  EXPECT_EQ(g_calls, (std::vector<std::string>{"A", "A", "B", "B", "B"}));
  // The loop is over: a new loop can run.
  g_calls.clear();
  g_loopPasses = 4;
  SubRunLoop("B");
  EXPECT_EQ(g_calls, std::vector<std::string>{"B"});
}

TEST_F(SubTableTest, LoopEndsQuietlyOnAMissingName) {
  DebugCapture debugger;
  SubRunLoop("");
  SubRunLoop("NOT_THERE");
  EXPECT_TRUE(g_calls.empty());
  SubRunLoop("M");
  EXPECT_EQ(g_calls, std::vector<std::string>{"M"});
  // No loop is left marked as running: the next loop runs.
  g_calls.clear();
  g_loopPasses = 4;
  SubRunLoop("B");
  EXPECT_EQ(g_calls, std::vector<std::string>{"B"});
  EXPECT_EQ(debugger.Text(), "");
}

TEST_F(SubTableTest, PauseAndResumeCallTheirSubsOnlyOnAChange) {
  AppPauseResume(1);
  AppPauseResume(1);
  EXPECT_EQ(g_app.paused, 1);
  AppPauseResume(0);
  AppPauseResume(0);
  EXPECT_EQ(g_app.paused, 0);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"pause", "resume"}));
}

TEST_F(SubTableTest, AutoPauseOffNeverPausesAndEndsAPause) {
  AppPauseResume(1);
  g_calls.clear();
  g_app.autoPause = 0;
  AppPauseResume(1);  // a request to resume while auto-pause is off
  EXPECT_EQ(g_app.paused, 0);
  AppPauseResume(1);
  EXPECT_EQ(g_app.paused, 0);
  EXPECT_EQ(g_calls, std::vector<std::string>{"resume"});

  g_app.autoPause = 1;
  AppPauseResume(1);
  g_calls.clear();
  AppSetAutoPause(0);
  EXPECT_EQ(g_app.autoPause, 0);
  EXPECT_EQ(g_app.paused, 0);
  EXPECT_EQ(g_calls, std::vector<std::string>{"resume"});
  AppSetAutoPause(7);
  EXPECT_EQ(g_app.autoPause, 1);
}

TEST_F(SubTableTest, HookCommandLooksUpOnce) {
  CallWin32MsgHook();
  CallWin32MsgHook();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"hook", "hook"}));
  SubTableResetState();
  g_subTable = kEmptyTable;
  CallWin32MsgHook();
  g_subTable = kTable;  // not looked up again
  CallWin32MsgHook();
  EXPECT_EQ(g_calls.size(), 2u);
}

}  // namespace

#include "app/declare_registry.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "process/error_state.h"
#include "process/program_end.h"
#include "tests/support/test_env.h"

namespace {

using AddFunction = int (*)(int, int);

bool ModuleLoaded() {
  void* handle = dlopen(VNL_DECLARED_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

// Runs at process exit after the registry's own handler (which is
// registered later, at the registry's first use, and so runs earlier), and
// records whether the declared module was still loaded then.
void ProbeModuleAtExit() {
  const char* probe = std::getenv("VNL_DECLARE_EXIT_PROBE");
  if (probe != nullptr) WriteFileBytes(probe, ModuleLoaded() ? "loaded" : "unloaded");
}
const bool g_probeRegistered = (std::atexit(ProbeModuleAtExit), true);

// The module by a name relative to its folder, which the tests make
// current: a name without capitals, whatever the build folder is called.
constexpr char kModuleName[] = "./vnl_declared_module.so";

class DeclareRegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    DeclareRegistryFree();
    ASSERT_NE(getcwd(old_directory_, sizeof old_directory_), nullptr);
    ASSERT_EQ(chdir(VNL_DECLARED_MODULE_DIR), 0);
  }
  void TearDown() override {
    DeclareRegistryFree();
    g_errorState = {0, 0, 0, 0};
    EXPECT_EQ(chdir(old_directory_), 0);
  }

  std::string Log() const { return ReadFileBytes(temp_.File("ErrorLog.txt")); }
  std::string Marker() const { return ReadFileBytes(temp_.File("marker")); }

  ScratchDir temp_;
  ScopedEnv tmpdir_{"TMPDIR", temp_.path()};
  ScopedEnv marker_{"VNL_DECLARED_MODULE_MARKER", temp_.File("marker")};
  DebugCapture debugger_;
  char old_directory_[4096] = {};
};

TEST_F(DeclareRegistryTest, NoDeclarationsLoadNothingAndLogNothing) {
  DeclareLoadAll();
  EXPECT_FALSE(FileExists(temp_.File("ErrorLog.txt")));
  EXPECT_EQ(DeclareRegistry().modules.count, 0);
  EXPECT_EQ(debugger_.Text(), "");
}

TEST_F(DeclareRegistryTest, NamesDifferingInCaseLoadTheModuleOnceAndFreeItOnce) {
  void* first = reinterpret_cast<void*>(1);
  void* second = reinterpret_cast<void*>(1);
  DeclareRegister(kModuleName, "DeclaredAdd", &first);
  DeclareRegister("./VNL_Declared_Module.SO", "DeclaredAdd", &second);
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(second, nullptr);

  DeclareLoadAll();
  EXPECT_EQ(Log(), "Delay load DLLs\n");
  EXPECT_EQ(debugger_.Text(), "");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(second, first);
  EXPECT_EQ(reinterpret_cast<AddFunction>(first)(2, 3), 5);
  const DeclareRegistryState& registry = DeclareRegistry();
  ASSERT_EQ(registry.modules.count, 1);
  EXPECT_STREQ(registry.modules[0].name.c_str(), "./vnl_declared_module.so");
  EXPECT_EQ(registry.pending.count, 2);  // the pass keeps the list
  EXPECT_EQ(g_errorState.code, 0);

  DeclareRegistryFree();
  EXPECT_EQ(Marker(), "unloaded\n");
  EXPECT_FALSE(ModuleLoaded());
  EXPECT_EQ(DeclareRegistry().pending.count, 0);
}

TEST_F(DeclareRegistryTest, NamesOfOneFileWrittenDifferentlyAreSeparateModulesEachReleased) {
  void* relative = nullptr;
  void* absolute = nullptr;
  void* backslashed = nullptr;
  DeclareRegister(kModuleName, "DeclaredAdd", &relative);
  DeclareRegister(VNL_DECLARED_MODULE_PATH, "DeclaredAdd", &absolute);
  DeclareRegister(".\\vnl_declared_module.so", "DeclaredAdd", &backslashed);
  DeclareLoadAll();
  EXPECT_EQ(DeclareRegistry().modules.count, 3);
  EXPECT_NE(relative, nullptr);
  EXPECT_EQ(absolute, relative);
  EXPECT_EQ(backslashed, relative);
  DeclareRegistryFree();
  EXPECT_FALSE(ModuleLoaded());
  EXPECT_EQ(Marker(), "unloaded\n");
}

TEST_F(DeclareRegistryTest, FailuresAreReportedToDebuggerAndLogAndTriedAgain) {
  void* missing_one = nullptr;
  void* missing_two = nullptr;
  void* wrong_case = reinterpret_cast<void*>(1);
  void* good = nullptr;
  DeclareRegister("No_Such_Module.SO", "Anything", &missing_one);
  DeclareRegister(kModuleName, "declaredadd", &wrong_case);
  DeclareRegister("no_such_module.so", "Other", &missing_two);
  DeclareRegister(kModuleName, "DeclaredAdd", &good);
  DeclareLoadAll();

  const std::string reports =
      "DECLARE module not found: no_such_module.so\n"
      "DECLARE entry not found: declaredadd\n"
      "DECLARE module not found: no_such_module.so\n";
  EXPECT_EQ(Log(), "Delay load DLLs\n" + reports);
  EXPECT_EQ(debugger_.Text(),
            "TXDECLARE module not found: no_such_module.so\n"
            "TXDECLARE entry not found: declaredadd\n"
            "TXDECLARE module not found: no_such_module.so\n");
  EXPECT_EQ(missing_one, nullptr);
  EXPECT_EQ(missing_two, nullptr);
  EXPECT_EQ(wrong_case, nullptr);
  EXPECT_NE(good, nullptr);
  EXPECT_EQ(DeclareRegistry().modules.count, 1);  // the module stays known
  EXPECT_EQ(g_errorState.code, 0);
}

TEST_F(DeclareRegistryTest, LongNamesAreReportedWhole) {
  const std::string entry(600, 'E');
  void* pointer = nullptr;
  DeclareRegister(kModuleName, entry.c_str(), &pointer);
  DeclareLoadAll();
  EXPECT_EQ(Log(), "Delay load DLLs\nDECLARE entry not found: " + entry + "\n");
}

TEST_F(DeclareRegistryTest, AModuleThatCannotBeStoredIsUnloadedAndReportedNotFound) {
  DeclareRegistryState& registry = DeclareRegistry();
  registry.modules.step = 0;  // the list cannot grow
  registry.modules.first = 0;
  void* pointer = nullptr;
  DeclareResolve(kModuleName, "DeclaredAdd", &pointer);
  registry.modules.step = 128;
  registry.modules.first = 512;

  EXPECT_EQ(pointer, nullptr);
  EXPECT_EQ(registry.modules.count, 0);
  EXPECT_FALSE(ModuleLoaded());
  EXPECT_EQ(Log(), "DECLARE module not found: ./vnl_declared_module.so\n");
}

TEST_F(DeclareRegistryTest, ProgramEndUnloadsTheModules) {
  const std::string probe = temp_.File("probe");
  EXPECT_EXIT(
      {
        setenv("VNL_DECLARE_EXIT_PROBE", probe.c_str(), 1);
        void* pointer = nullptr;
        DeclareRegister(kModuleName, "DeclaredAdd", &pointer);
        DeclareLoadAll();
        if (pointer != nullptr) ProgramEnd();
        std::_Exit(3);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(probe), "unloaded");
  EXPECT_EQ(Marker(), "unloaded\n");
}

}  // namespace

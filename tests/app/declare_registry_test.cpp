#include "app/declare_registry.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "app/runtime_main.h"
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

// Only a regular file is loaded, links followed; a FIFO in a module's place
// must not make start-up wait for a writer that never comes.
TEST_F(DeclareRegistryTest, OnlyRegularFilesAreLoaded) {
  ASSERT_EQ(mkfifo(temp_.File("fifo.so").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(temp_.File("folder.so").c_str(), 0700), 0);
  ASSERT_EQ(symlink(temp_.File("fifo.so").c_str(), temp_.File("to_fifo.so").c_str()), 0);
  ASSERT_EQ(symlink(VNL_DECLARED_MODULE_PATH, temp_.File("to_module.so").c_str()), 0);
  const std::string fifo = temp_.File("fifo.so");
  const std::string folder = temp_.File("folder.so");
  const std::string to_fifo = temp_.File("to_fifo.so");
  const std::string to_module = temp_.File("to_module.so");
  // In a child that a hang cannot stall: the alarm ends it.
  EXPECT_EXIT(
      {
        alarm(10);
        void* pointers[4] = {};
        DeclareRegister(fifo.c_str(), "DeclaredAdd", &pointers[0]);
        DeclareRegister(folder.c_str(), "DeclaredAdd", &pointers[1]);
        DeclareRegister(to_fifo.c_str(), "DeclaredAdd", &pointers[2]);
        DeclareRegister(to_module.c_str(), "DeclaredAdd", &pointers[3]);
        DeclareLoadAll();
        const bool loaded = pointers[0] == nullptr && pointers[1] == nullptr && pointers[2] == nullptr &&
                            pointers[3] != nullptr && DeclareRegistry().modules.count == 1;
        std::_Exit(loaded ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  // The report names the module lower-cased, as the registry knows it.
  const auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  EXPECT_EQ(Log(), "Delay load DLLs\n"
                   "DECLARE module not found: " + lower(fifo) + "\n"
                   "DECLARE module not found: " + lower(folder) + "\n"
                   "DECLARE module not found: " + lower(to_fifo) + "\n");
}

// Names as a Windows program writes them: without an extension ".so" is
// tried too, and a bare name is found beside the program before the
// system's library search (the current folder is elsewhere here).
TEST_F(DeclareRegistryTest, NamesAsAWindowsProgramWritesThem) {
  const std::string module_dir = VNL_DECLARED_MODULE_DIR;
  ASSERT_EQ(ProgramDirectory(), module_dir) << "the test module is built beside the test program";
  struct Case {
    const char* name;
    const char* entry;
    bool found;
  };
  const Case cases[] = {
      {"vnl_declared_module", "DeclaredAdd", true},       // bare, no extension: beside the program, with ".so"
      {"vnl_declared_module.so", "DeclaredAdd", true},    // bare: beside the program
      {"libm.so.6", "cos", true},                         // bare: the system's search
      {"vnl_declared_module.dll", "DeclaredAdd", false},  // an extension of its own: only as written
  };
  ASSERT_EQ(chdir(temp_.path().c_str()), 0);
  for (const Case& c : cases) {
    void* pointer = nullptr;
    DeclareResolve(c.name, c.entry, &pointer);
    EXPECT_EQ(pointer != nullptr, c.found) << c.name;
  }
  ASSERT_EQ(chdir(module_dir.c_str()), 0);
  void* relative = nullptr;
  DeclareResolve("./vnl_declared_module", "DeclaredAdd", &relative);  // a path without an extension
  EXPECT_NE(relative, nullptr);
  DeclareRegistryFree();
  EXPECT_FALSE(ModuleLoaded());
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

#include "app/platform_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <set>
#include <string>

#include "app/runtime_main.h"
#include "tests/support/test_env.h"

namespace {

std::string Info(const char* key) { return PlatformInfo(key).c_str(); }

// Whether the text has the form's length and, where the form has '9', a
// decimal digit, where it has 'F', an upper-case hexadecimal digit, and
// elsewhere the form's own character.
bool Matches(const std::string& text, const std::string& form) {
  if (text.size() != form.size()) return false;
  for (size_t i = 0; i < form.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    if (form[i] == '9' ? !digit : form[i] == 'F' ? !(digit || (c >= 'A' && c <= 'F')) : c != form[i]) return false;
  }
  return true;
}

const std::string kHex8(8, 'F');
const std::string kHex32(32, 'F');

bool IsDirectory(const std::string& path) {
  struct stat info{};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Every folder and clock the command reads points into a scratch folder.
class PlatformInfoTest : public testing::Test {
 protected:
  std::string Log() const { return ReadFileBytes(temp_.File("ErrorLog.txt")); }

  ScratchDir home_;
  ScratchDir temp_;
  ScopedEnv home_env_{"HOME", home_.path()};
  ScopedEnv data_env_{"XDG_DATA_HOME", home_.File("data")};
  ScopedEnv config_env_{"XDG_CONFIG_HOME", home_.File("config")};
  ScopedEnv documents_env_{"XDG_DOCUMENTS_DIR", std::nullopt};
  ScopedEnv tmpdir_env_{"TMPDIR", temp_.path()};
  ScopedEnv tz_env_{"TZ", "UTC0"};
  ScopedEnv lc_all_env_{"LC_ALL", std::nullopt};
  ScopedEnv lc_messages_env_{"LC_MESSAGES", std::nullopt};
  ScopedEnv lang_env_{"LANG", std::nullopt};
};

TEST_F(PlatformInfoTest, FixedAnswersAndKeysInAnyCase) {
  struct Case {
    const char* key;
    std::string answer;
  };
  for (const Case& c : {Case{"", "WIN32"}, Case{"device", "DESKTOP"}, Case{"Device", "DESKTOP"},
                        Case{"DEVICES", "NO_DATA"}, Case{"nonsense", "NO_DATA"}, Case{"GLEXT", "NO_DATA"},
                        Case{"compiled", RuntimeGame().compiledText().c_str()},
                        Case{"HostId", RuntimeGame().hostId().c_str()},
                        Case{"version", RuntimeGame().version().c_str()}, Case{"temp", temp_.path() + "/"},
                        Case{"dpi", "96"}}) {
    EXPECT_EQ(Info(c.key), c.answer) << c.key;
  }
}

TEST_F(PlatformInfoTest, TimesAreLocalAndUniversalInOneZeroPaddedForm) {
  ScopedEnv tz("TZ", "XYZ-9:05:03");  // local time is 9:05:03 ahead
  tzset();
  const std::string form = "9999-99-99 99:99:99";
  long difference = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {  // the two readings may straddle a second
    const std::string local = Info("time");
    const std::string universal = Info("UtcTime");
    ASSERT_TRUE(Matches(local, form)) << local;
    ASSERT_TRUE(Matches(universal, form)) << universal;
    EXPECT_EQ(Info("TIME").size(), 19u);
    tm a{};
    tm b{};
    std::sscanf(local.c_str(), "%d-%d-%d %d:%d:%d", &a.tm_year, &a.tm_mon, &a.tm_mday, &a.tm_hour, &a.tm_min,
                &a.tm_sec);
    std::sscanf(universal.c_str(), "%d-%d-%d %d:%d:%d", &b.tm_year, &b.tm_mon, &b.tm_mday, &b.tm_hour, &b.tm_min,
                &b.tm_sec);
    a.tm_year -= 1900;
    b.tm_year -= 1900;
    --a.tm_mon;
    --b.tm_mon;
    difference = static_cast<long>(timegm(&a) - timegm(&b));
    if (difference == 9 * 3600 + 5 * 60 + 3) break;
  }
  EXPECT_EQ(difference, 9 * 3600 + 5 * 60 + 3);
  tzset();
}

TEST_F(PlatformInfoTest, BatteryIsAPercentage) {
  const std::string battery = Info("battery");
  ASSERT_TRUE(Matches(battery, "9") || Matches(battery, "99") || Matches(battery, "999")) << battery;
  EXPECT_LE(std::stoi(battery), 100);
}

TEST_F(PlatformInfoTest, LocaleFromTheLocaleVariables) {
  struct Case {
    const char* lang;
    const char* lc_all;
    const char* answer;
  };
  for (const Case& c : {Case{"de_AT.UTF-8", nullptr, "de"}, Case{"de_DE", nullptr, "de"},
                        Case{"en_GB.UTF-8", nullptr, "us"}, Case{"C", nullptr, "us"}, Case{"POSIX", nullptr, "us"},
                        Case{"C.UTF-8", nullptr, "us"}, Case{nullptr, nullptr, "us"}, Case{"ja_JP", nullptr, "jp"},
                        Case{"zh_TW.UTF-8", nullptr, "ch"}, Case{"zh_CN", nullptr, "ch"}, Case{"zh_HK", nullptr, "zh"},
                        Case{"el_GR", nullptr, "gr"}, Case{"sr_RS@latin", nullptr, "sr"}, Case{"sr_RS", nullptr, "sr"},
                        Case{"hr_HR", nullptr, "hr"}, Case{"bn_BD", nullptr, "be"}, Case{"kn_IN", nullptr, "ka"},
                        Case{"mr_IN", nullptr, "ma"}, Case{"pt_BR", nullptr, "pt"}, Case{"xx_YY", nullptr, "us"},
                        Case{"de_DE", "fr_FR", "fr"}, Case{"de_DE", "", "de"}}) {
    ScopedEnv lang("LANG", c.lang != nullptr ? std::optional<std::string>(c.lang) : std::nullopt);
    ScopedEnv lc_all("LC_ALL", c.lc_all != nullptr ? std::optional<std::string>(c.lc_all) : std::nullopt);
    EXPECT_EQ(Info("Locale"), c.answer) << (c.lang ? c.lang : "(unset)") << " " << (c.lc_all ? c.lc_all : "");
  }
}

TEST(LanguageTableTest, HoldsEveryLanguageIdOfTheTable) {
  struct Case {
    uint16_t id;
    const char* code;
  };
  for (const Case& c : {Case{0x0401, "ar"}, Case{0x4001, "ar"}, Case{0x0404, "ch"}, Case{0x0804, "ch"},
                        Case{0x0C04, "zh"}, Case{0x1404, "zh"}, Case{0x0407, "de"}, Case{0x1407, "de"},
                        Case{0x0409, "us"}, Case{0x3409, "us"}, Case{0x500A, "es"}, Case{0x0445, "be"},
                        Case{0x044B, "ka"}, Case{0x044C, "ma"}, Case{0x044E, "ma"}, Case{0x0465, "di"},
                        Case{0x0000, "us"}, Case{0x0417, "us"}, Case{0x1807, "us"}, Case{0xFFFF, "us"}}) {
    EXPECT_STREQ(LanguageCodeFromId(c.id), c.code) << std::hex << c.id;
  }
  int held = 0;
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    if (std::string(LanguageCodeFromId(static_cast<uint16_t>(id))) != "us") ++held;
  }
  EXPECT_EQ(held, 141 - 13);  // the 13 English ids answer "us" as well
}

TEST_F(PlatformInfoTest, DocumentsFolderFromTheXdgSettings) {
  EXPECT_EQ(Info("documents"), home_.path() + "/Documents");
  mkdir(home_.File("config").c_str(), 0700);
  WriteFileBytes(home_.File("config/user-dirs.dirs"),
                 "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/My Papers/\"\n");
  EXPECT_EQ(Info("DOCUMENTS"), home_.path() + "/My Papers");
  {
    ScopedEnv documents("XDG_DOCUMENTS_DIR", "/srv/papers/");
    EXPECT_EQ(Info("DOCUMENTS"), "/srv/papers");
  }
  ScopedEnv no_home("HOME", std::nullopt);
  ScopedEnv no_config("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(Info("DOCUMENTS"), "NO_DATA");
}

TEST_F(PlatformInfoTest, AppDataFolderIsMadeAndStable) {
  const std::string expected = home_.File("data") + "/Vantrel";
  EXPECT_EQ(Info("appdata"), expected);
  EXPECT_TRUE(IsDirectory(expected));
  EXPECT_EQ(Info("APPDATA"), expected);
  {
    ScopedEnv relative("XDG_DATA_HOME", "relative/data");  // ignored: not absolute
    EXPECT_EQ(Info("APPDATA"), home_.path() + "/.local/share/Vantrel");
  }
  ScopedEnv no_home("HOME", std::nullopt);
  ScopedEnv no_data("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(Info("APPDATA"), "NO_DATA");
}

TEST_F(PlatformInfoTest, DeviceIdFromAVolumeSerial) {
  EXPECT_EQ(std::string(DeviceIdForSerial(0x12345678u).c_str()), "A9C60A79");  // 0x790AC6A9, low byte first
  const std::string id = Info("id");
  EXPECT_TRUE(Matches(id, kHex8) || Matches(id, kHex32)) << id;
  EXPECT_EQ(Info("ID"), id);
}

TEST_F(PlatformInfoTest, DeviceIdFileIsMadeOnceAndKept) {
  const std::string file = home_.File("data") + "/Vantrel/vantrel.deviceid";
  const std::string id = DeviceIdForSerial(0).c_str();
  ASSERT_TRUE(Matches(id, kHex32)) << id;
  EXPECT_EQ(ReadFileBytes(file), id);
  struct stat info{};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(std::string(DeviceIdForSerial(0).c_str()), id);

  WriteFileBytes(file, " \tABC \r\n");
  EXPECT_EQ(std::string(DeviceIdForSerial(0).c_str()), "ABC");

  for (const char* blank : {"", " \r\n\t\f\v"}) {
    WriteFileBytes(file, blank);
    const std::string fresh = DeviceIdForSerial(0).c_str();
    EXPECT_TRUE(Matches(fresh, kHex32)) << fresh;
    EXPECT_EQ(ReadFileBytes(file), fresh);
  }
}

// A FIFO in the id file's place is no id: it is answered at once (in a
// child that an alarm ends should it wait) and replaced by a fresh file.
TEST_F(PlatformInfoTest, DeviceIdFileThatIsAFifoIsReplaced) {
  const std::string file = home_.File("data") + "/Vantrel/vantrel.deviceid";
  Info("APPDATA");
  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  EXPECT_EXIT(
      {
        alarm(10);
        const std::string id = DeviceIdForSerial(0).c_str();
        std::fprintf(stderr, "id %s\n", id.c_str());
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "^id [0-9A-F]+\n$");
  struct stat info{};
  ASSERT_EQ(lstat(file.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_TRUE(Matches(ReadFileBytes(file), kHex32)) << ReadFileBytes(file);
}

TEST_F(PlatformInfoTest, DeviceIdWithoutAPlaceForTheFile) {
  // No application-data folder: the fallback id, and no file in the current
  // directory.
  char old_directory[4096];
  ASSERT_NE(getcwd(old_directory, sizeof old_directory), nullptr);
  ScratchDir current;
  ASSERT_EQ(chdir(current.path().c_str()), 0);
  {
    ScopedEnv no_home("HOME", std::nullopt);
    ScopedEnv no_data("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(std::string(DeviceIdForSerial(0).c_str()), "FA17ED");
  }
  EXPECT_FALSE(FileExists(current.File("vantrel.deviceid")));
  EXPECT_FALSE(FileExists(current.File("NO_DATA")));
  ASSERT_EQ(chdir(old_directory), 0);

  // A folder in the file's place that cannot be removed.
  const std::string blocker = home_.File("data") + "/Vantrel/vantrel.deviceid";
  Info("APPDATA");
  ASSERT_EQ(mkdir(blocker.c_str(), 0700), 0);
  WriteFileBytes(blocker + "/keep", "x");
  EXPECT_EQ(std::string(DeviceIdForSerial(0).c_str()), "FA17ED");
  EXPECT_EQ(ReadFileBytes(blocker + "/keep"), "x");
}

TEST_F(PlatformInfoTest, GlFunctionWithoutAContextAnswersZeroAndLogsItsName) {
  EXPECT_EQ(Info("glext:glGenBuffers"), "0");
  const std::string long_name(50, 'g');
  EXPECT_EQ(Info(("GLEXT:" + long_name).c_str()), "0");
  EXPECT_EQ(Log(), "ext: glGenBuffers                          [FAILED]"
                   "ext: " + long_name + "   [FAILED]");
}

}  // namespace

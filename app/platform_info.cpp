#include "app/platform_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "app/runtime_main.h"
#include "core/float_to_int.h"
#include "core/isaac.h"
#include "files/error_log.h"
#include "platform/battery.h"
#include "platform/display_dpi.h"
#include "platform/gl_function_lookup.h"
#include "platform/machine_id.h"
#include "platform/system_paths.h"
#include "platform/user_folders.h"
#include "platform/user_language.h"
#include "process/timer.h"

namespace {

constexpr char kNoData[] = "NO_DATA";
constexpr char kDeviceIdFailed[] = "FA17ED";
constexpr uint32_t kDeviceIdConstant = 0x6B3E90D1u;
// An id file larger than this is no id of ours: it counts as unreadable.
constexpr off_t kDeviceIdFileLimit = 4096;

struct LanguageEntry {
  uint16_t id;
  const char* code;
};

// Windows language ids and the codes the program is given for them.
constexpr LanguageEntry kLanguages[] = {
    {0x0401, "ar"}, {0x0801, "ar"}, {0x0C01, "ar"}, {0x1001, "ar"}, {0x1401, "ar"}, {0x1801, "ar"},
    {0x1C01, "ar"}, {0x2001, "ar"}, {0x2401, "ar"}, {0x2801, "ar"}, {0x2C01, "ar"}, {0x3001, "ar"},
    {0x3401, "ar"}, {0x3801, "ar"}, {0x3C01, "ar"}, {0x4001, "ar"},
    {0x0402, "bg"},
    {0x0403, "ca"},
    {0x0404, "ch"}, {0x0804, "ch"},
    {0x0C04, "zh"}, {0x1004, "zh"}, {0x1404, "zh"},
    {0x0405, "cs"},
    {0x0406, "da"},
    {0x0407, "de"}, {0x0807, "de"}, {0x0C07, "de"}, {0x1007, "de"}, {0x1407, "de"},
    {0x0408, "gr"},
    {0x0409, "us"}, {0x0809, "us"}, {0x0C09, "us"}, {0x1009, "us"}, {0x1409, "us"}, {0x1809, "us"},
    {0x1C09, "us"}, {0x2009, "us"}, {0x2409, "us"}, {0x2809, "us"}, {0x2C09, "us"}, {0x3009, "us"},
    {0x3409, "us"},
    {0x040A, "es"}, {0x080A, "es"}, {0x0C0A, "es"}, {0x100A, "es"}, {0x140A, "es"}, {0x180A, "es"},
    {0x1C0A, "es"}, {0x200A, "es"}, {0x240A, "es"}, {0x280A, "es"}, {0x2C0A, "es"}, {0x300A, "es"},
    {0x340A, "es"}, {0x380A, "es"}, {0x3C0A, "es"}, {0x400A, "es"}, {0x440A, "es"}, {0x480A, "es"},
    {0x4C0A, "es"}, {0x500A, "es"},
    {0x040B, "fi"},
    {0x040C, "fr"}, {0x080C, "fr"}, {0x0C0C, "fr"}, {0x100C, "fr"}, {0x140C, "fr"}, {0x180C, "fr"},
    {0x040D, "he"},
    {0x040E, "hu"},
    {0x040F, "is"},
    {0x0410, "it"}, {0x0810, "it"},
    {0x0411, "jp"},
    {0x0412, "ko"},
    {0x0413, "nl"}, {0x0813, "nl"},
    {0x0414, "no"}, {0x0814, "no"},
    {0x0415, "pl"},
    {0x0416, "pt"}, {0x0816, "pt"},
    {0x0418, "ro"},
    {0x0419, "ru"},
    {0x041A, "hr"},
    {0x081A, "sr"}, {0x0C1A, "sr"},
    {0x041B, "sk"},
    {0x041C, "sq"},
    {0x041D, "sv"}, {0x081D, "sv"},
    {0x041E, "th"},
    {0x041F, "tr"},
    {0x0420, "ur"}, {0x0820, "ur"},
    {0x0421, "in"},
    {0x0422, "uk"},
    {0x0423, "be"}, {0x0445, "be"},
    {0x0424, "sl"},
    {0x0425, "et"},
    {0x0426, "lv"},
    {0x0427, "lt"}, {0x0827, "lt"},
    {0x0429, "fa"},
    {0x042A, "vi"},
    {0x042B, "hy"},
    {0x042C, "az"}, {0x082C, "az"},
    {0x042D, "eu"},
    {0x042F, "mk"},
    {0x0436, "af"},
    {0x0437, "ka"}, {0x044B, "ka"},
    {0x0438, "fo"},
    {0x0439, "hi"},
    {0x043E, "ms"}, {0x083E, "ms"},
    {0x043F, "kk"},
    {0x0440, "ky"},
    {0x0441, "sw"},
    {0x0443, "uz"}, {0x0843, "uz"},
    {0x0444, "tt"},
    {0x0446, "pa"},
    {0x0447, "gu"},
    {0x0448, "or"},
    {0x0449, "ta"},
    {0x044A, "te"},
    {0x044C, "ma"}, {0x044E, "ma"},
    {0x044D, "as"},
    {0x044F, "sa"},
    {0x0450, "mo"},
    {0x0456, "gl"},
    {0x0457, "kn"},
    {0x045A, "sy"},
    {0x0465, "di"},
};

// The four bytes of the word, least significant first, as 8 upper-case
// hexadecimal digits.
void AppendWordHex(RtString& text, uint32_t word) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%02X%02X%02X%02X", word & 0xFFu, (word >> 8) & 0xFFu, (word >> 16) & 0xFFu,
                word >> 24);
  StringAppendCStr(text, digits);
}

RtString DateTimeText(bool universal) {
  const time_t now = time(nullptr);
  tm parts{};
  if ((universal ? gmtime_r(&now, &parts) : localtime_r(&now, &parts)) == nullptr) return StringFromCStr(kNoData);
  char text[64];
  std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return StringFromCStr(text);
}

RtString IntegerText(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return StringFromCStr(text);
}

bool IsDirectory(const std::string& path) {
  struct stat info{};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes the folder and any missing parents (private to the user, as the
// XDG folders are); failures are left to the caller's next step.
void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
  }
  mkdir(path.c_str(), 0700);
}

RtString AppDataFolder() {
  const std::string base = PlatformAppDataFolder();
  if (base.empty()) return StringFromCStr(kNoData);
  const std::string folder = base + "/Vantrel";
  if (!IsDirectory(folder)) MakeFolders(folder);
  return StringFromCStr(folder.c_str());
}

RtString GlExtensionAnswer(const char* name) {
  if (PlatformGlFunctionAvailable(name)) return StringFromCStr("1");
  char padded[40];
  std::snprintf(padded, sizeof padded, "%-35s", "");
  // The name is padded to 35 characters and never cut.
  RtString line = StringFromCStr("ext: ");
  StringAppendCStr(line, name);
  const size_t length = std::strlen(name);
  if (length < 35) StringAppendCStr(line, padded + length);
  StringAppendCStr(line, "   [FAILED]");
  ErrorLogAppend(line.c_str());
  return StringFromCStr("0");
}

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// The trimmed contents of the id file; empty when it is missing, is no
// regular file, cannot be read or holds only blanks.
std::string ReadDeviceIdFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO in the file's place must not wait for a
  // writer; only a regular file is read.
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::string();
  std::string contents;
  struct stat info{};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kDeviceIdFileLimit) {
    contents.resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < contents.size()) {
      const ssize_t n = read(fd, &contents[done], contents.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done != contents.size()) contents.clear();
  }
  close(fd);
  size_t begin = 0;
  size_t end = contents.size();
  while (end > begin && IsTrimmed(contents[end - 1])) --end;
  while (begin < end && IsTrimmed(contents[begin])) ++begin;
  return contents.substr(begin, end - begin);
}

RtString NewDeviceId() {
  // rand() is taken in the 15 bits the words were laid out for.
  const uint32_t word1 = (static_cast<uint32_t>(std::rand() & 0x7FFF) << 16) | (IsaacGenerate() & 0x7FFFu);
  const uint32_t word2 = static_cast<uint32_t>(time(nullptr));
  const uint32_t word3 = ((IsaacGenerate() & 0x7FFFu) << 16) | static_cast<uint32_t>(std::rand() & 0x7FFF);
  const uint32_t word4 = ((IsaacGenerate() & 0x7FFFu) << 16) + static_cast<uint32_t>(TruncToInt32(TimerGetGameMillis()));
  RtString id;
  for (uint32_t word : {word1, word2, word3, word4}) AppendWordHex(id, word);
  return id;
}

// Replaces whatever has the name by a file holding the id; false when the
// file cannot be made whole (a partial file is removed again).
bool WriteDeviceIdFile(const std::string& path, const RtString& id) {
  struct stat info{};
  if (lstat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      rmdir(path.c_str());
    } else {
      unlink(path.c_str());
    }
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ssize_t n;
  do {
    n = write(fd, id.text, id.length);
  } while (n < 0 && errno == EINTR);
  const bool written = n == static_cast<ssize_t>(id.length);
  const bool closed = close(fd) == 0;
  if (written && closed) return true;
  unlink(path.c_str());
  return false;
}

// A text compiled into the game; "NO_DATA" without a game that gives it.
RtString GameText(RtString (*text)()) { return text != nullptr ? text() : StringFromCStr(kNoData); }

}  // namespace

const char* LanguageCodeFromId(uint16_t language_id) {
  for (const LanguageEntry& entry : kLanguages) {
    if (entry.id == language_id) return entry.code;
  }
  return "us";
}

RtString DeviceIdForSerial(uint32_t serial) {
  if (serial != 0) {
    RtString id;
    AppendWordHex(id, serial ^ kDeviceIdConstant);
    return id;
  }
  // Without an application-data folder there is no place for the file: it
  // never goes to the current directory.
  const RtString folder = AppDataFolder();
  if (std::strcmp(folder.c_str(), kNoData) == 0) return StringFromCStr(kDeviceIdFailed);
  const std::string path = std::string(folder.c_str()) + "/vantrel.deviceid";
  const std::string stored = ReadDeviceIdFile(path);
  if (!stored.empty()) return StringFromBytes(stored.data(), static_cast<uint32_t>(stored.size()));
  const RtString id = NewDeviceId();
  if (!WriteDeviceIdFile(path, id)) return StringFromCStr(kDeviceIdFailed);
  return id;
}

RtString PlatformInfo(RtString key) {
  const RtString original = key;
  for (uint32_t i = 0; i < key.length; ++i) {
    const char c = key.text[i];
    if (c >= 'a' && c <= 'z') key.text[i] = static_cast<char>(c - 'a' + 'A');
  }
  const std::string upper(key.text, key.length);

  if (upper.empty()) return StringFromCStr("WIN32");
  if (upper == "DEVICE") return StringFromCStr("DESKTOP");
  if (upper.compare(0, 6, "GLEXT:") == 0) return GlExtensionAnswer(original.c_str() + 6);
  if (upper == "ID") return DeviceIdForSerial(PlatformVolumeSerial());
  if (upper == "TIME") return DateTimeText(false);
  if (upper == "UTCTIME") return DateTimeText(true);
  if (upper == "BATTERY") {
    const int percent = PlatformBatteryPercent();
    return IntegerText(percent < 0 || percent > 100 ? 100 : percent);
  }
  if (upper == "COMPILED") return GameText(RuntimeGame().compiledText);
  if (upper == "HOSTID") return GameText(RuntimeGame().hostId);
  if (upper == "VERSION") return GameText(RuntimeGame().version);
  if (upper == "LOCALE") return StringFromCStr(LanguageCodeFromId(PlatformUserLanguageId()));
  if (upper == "DOCUMENTS") {
    const std::string folder = PlatformDocumentsFolder();
    return StringFromCStr(folder.empty() ? kNoData : folder.c_str());
  }
  if (upper == "APPDATA") return AppDataFolder();
  if (upper == "TEMP") return StringFromCStr(PlatformTempFolder().c_str());
  if (upper == "DPI") {
    const int dpi = PlatformDisplayDpi();
    return IntegerText(dpi < 96 ? 96 : dpi);
  }
  return StringFromCStr(kNoData);
}

#include "platform/battery.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The first line of a small sysfs file, without its line end.
std::string ReadFirstLine(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "re");
  if (file == nullptr) return std::string();
  char line[64] = {};
  const bool ok = std::fgets(line, sizeof line, file) != nullptr;
  std::fclose(file);
  if (!ok) return std::string();
  line[std::strcspn(line, "\r\n")] = '\0';
  return line;
}

}  // namespace

int PlatformBatteryPercent(const char* power_supply_folder) {
  DIR* folder = opendir(power_supply_folder);
  if (folder == nullptr) return -1;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string supply = std::string(power_supply_folder) + "/" + name;
    if (ReadFirstLine(supply + "/type") != "Battery") continue;
    const std::string capacity = ReadFirstLine(supply + "/capacity");
    char* end = nullptr;
    const long percent = std::strtol(capacity.c_str(), &end, 10);
    if (capacity.empty() || *end != '\0' || percent < 0) continue;
    return percent > 100 ? 100 : static_cast<int>(percent);
  }
  return -1;
}

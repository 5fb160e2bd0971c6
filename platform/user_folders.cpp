#include "platform/user_folders.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// An environment value usable as a folder: set, absolute (the XDG rules
// ignore relative values), without trailing '/'.
std::string AbsoluteFolderFromEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::string();
  std::string folder = value;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string HomeFolder() { return AbsoluteFolderFromEnv("HOME"); }

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: "$HOME/..." or an
// absolute path, in double quotes.
std::string DocumentsFromUserDirs() {
  std::string config = AbsoluteFolderFromEnv("XDG_CONFIG_HOME");
  const std::string home = HomeFolder();
  if (config.empty()) {
    if (home.empty()) return std::string();
    config = home + "/.config";
  }
  FILE* file = std::fopen((config + "/user-dirs.dirs").c_str(), "re");
  if (file == nullptr) return std::string();
  static const char kKey[] = "XDG_DOCUMENTS_DIR=\"";
  std::string folder;
  char line[4096];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (std::strncmp(line, kKey, sizeof kKey - 1) != 0) continue;
    std::string value = line + sizeof kKey - 1;
    const size_t quote = value.find('"');
    if (quote == std::string::npos) break;
    value.resize(quote);
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      if (!home.empty()) folder = home + value.substr(5);
    } else if (!value.empty() && value[0] == '/') {
      folder = value;
    }
    break;
  }
  std::fclose(file);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

std::string PlatformDocumentsFolder() {
  std::string folder = AbsoluteFolderFromEnv("XDG_DOCUMENTS_DIR");
  if (folder.empty()) folder = DocumentsFromUserDirs();
  if (folder.empty() && !HomeFolder().empty()) folder = HomeFolder() + "/Documents";
  return folder;
}

std::string PlatformAppDataFolder() {
  std::string folder = AbsoluteFolderFromEnv("XDG_DATA_HOME");
  if (folder.empty() && !HomeFolder().empty()) folder = HomeFolder() + "/.local/share";
  return folder;
}

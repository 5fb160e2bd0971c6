#include "app/file_request.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/screen_mode.h"
#include "gfx2d/gl_window_modes.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/file_dialog.h"
#include "process/app_globals.h"

namespace {

// The filter's pairs, read the way a list of zero-separated texts ending in
// an empty one is read: the first empty part ends the list.
std::vector<PlatformFileFilter> FiltersFromText(const RtString& filter) {
  const uint32_t room = filter.length < kFileRequestFilterRoom ? filter.length : kFileRequestFilterRoom;
  const std::string text(filter.text, room);
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find('|', start);
    const std::string part = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    if (part.empty()) break;
    parts.push_back(part);
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<PlatformFileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    for (char& c : patterns) {
      if (c == ';') c = ' ';
    }
    filters.push_back(PlatformFileFilter{parts[i], patterns});
  }
  return filters;
}

std::string CurrentDirectory() {
  char* directory = getcwd(nullptr, 0);
  if (directory == nullptr) return std::string();
  std::string text = directory;
  std::free(directory);
  return text;
}

}  // namespace

RtString FileRequest(int32_t open, RtString filter) {
  const std::vector<PlatformFileFilter> filters = FiltersFromText(filter);
  const std::string directory = CurrentDirectory();

  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine != nullptr) LeaveFullScreen(*engine);
  std::string chosen;
  const bool picked = PlatformFileDialog(open != 0, filters, directory, &chosen);
  if (!directory.empty()) (void)!chdir(directory.c_str());
  if (engine != nullptr) {
    // Back to full screen the way SetScreen goes there, with its frames.
    if (g_app.fullScreen != 0) {
      SetScreen(g_app.width, g_app.height, 1);
    } else {
      SetWindowedMode(*engine);
    }
  }

  if (!picked || chosen.empty()) return StringFromCStr("NO_FILE");
  for (char& c : chosen) {
    if (c == '\\') c = '/';
  }
  return StringFromBytes(chosen.data(), static_cast<uint32_t>(chosen.size()));
}

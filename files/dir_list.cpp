#include "files/dir_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/array_ops.h"
#include "core/array_sort.h"
#include "files/file_system.h"

namespace {

// Whether the entry is a directory; symbolic links count as what they
// point at, as the system's own listing reports them.
bool IsDirectory(DIR* dir, const dirent* entry) {
  if (entry->d_type == DT_DIR) return true;
  if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) return false;
  struct stat st {};
  return fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

double CompareNames(const RtString* a, const RtString* b) { return StringCompareNoCase(*a, *b); }

void SortNames(std::vector<RtString>& names) {
  if (!names.empty()) ArraySort(names.data(), names.data() + names.size() - 1, CompareNames);
}

// The process-wide strings of the split, built at its first call.
RtString* g_splitText = nullptr;
RtString* g_splitPiece = nullptr;

void FreeSplitText() {
  delete g_splitText;
  g_splitText = nullptr;
}

void FreeSplitPiece() {
  delete g_splitPiece;
  g_splitPiece = nullptr;
}

}  // namespace

double FileList(const RtString& pattern, RtArray<RtString>& out) {
  // The names are moved, not copied, as the lists grow.
  std::vector<RtString> directories;
  std::vector<RtString> files;
  // "." is the current directory itself, whatever its name or length; the
  // kernel follows a link to a directory without help.
  if (DIR* dir = opendir(".")) {
    while (const dirent* entry = readdir(dir)) {
      if (IsDirectory(dir, entry)) {
        directories.push_back(StringFromCStr(entry->d_name));
      } else if (WildcardMatch(pattern.c_str(), entry->d_name)) {
        files.push_back(StringFromCStr(entry->d_name));
      }
    }
    closedir(dir);
  }
  SortNames(directories);
  SortNames(files);
  const size_t total = directories.size() + files.size();
  if (total > static_cast<size_t>(INT32_MAX)) return 0;
  ArrayDimString(out, static_cast<int32_t>(total), 0, 0, 0);
  if (out.d1 != static_cast<int32_t>(total)) return 0;  // no storage: the program is ending
  int32_t next = 0;
  for (std::vector<RtString>* names : {&directories, &files}) {
    for (RtString& name : *names) ArraySwapString(ArrayAt(out, next++, 0, 0, 0), &name);
  }
  return static_cast<double>(directories.size()) * 65536.0 + static_cast<double>(files.size());
}

int32_t SplitString(const RtString& text, RtArray<RtString>& out, const RtString& delimiters, uint32_t skipEmpty) {
  if (g_splitText == nullptr) {
    g_splitText = new RtString;
    std::atexit(FreeSplitText);
    g_splitPiece = new RtString;
    std::atexit(FreeSplitPiece);
  }
  RtString& copy = *g_splitText;
  RtString& piece = *g_splitPiece;
  StringAssign(copy, text);
  ArraySetShape(out, 0, 0, 0, 0, 0);
  const char* p = copy.c_str();
  const char* end = p + copy.length;
  const char* set = delimiters.c_str();
  const uint32_t set_length = delimiters.length;
  auto is_delimiter = [&](char c) { return std::memchr(set, c, set_length) != nullptr; };
  while (p < end) {
    if (skipEmpty != 0) {
      const char* q = p;
      while (q < end && is_delimiter(*q)) ++q;
      if (q < end) p = q;
    }
    const char* d = p;
    while (d < end && !is_delimiter(*d)) ++d;
    if (d == end) break;
    if (d > p || skipEmpty == 0) {
      StringAssign(piece, StringFromBytes(p, static_cast<uint32_t>(d - p)));
      ArrayPushString(out, piece);
    }
    p = d + 1;
  }
  if (p < end) {
    StringAssign(piece, StringFromBytes(p, static_cast<uint32_t>(end - p)));
    ArrayPushString(out, piece);
  }
  return ArrayBound(out, 0);
}

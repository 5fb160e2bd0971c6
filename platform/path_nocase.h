// Finding a file whose name was written for a case-insensitive file system.
#pragma once

#include <string>

// Looks the path up one component at a time: a component that exists as
// written is taken as it is; otherwise the directory is searched for an
// entry equal to it without regard to ASCII case (the lowest such name in
// byte order when there are several). True with the path as it exists on
// disk when every component was found; the path must use '/' separators.
bool PlatformFindPathNoCase(const std::string& path, std::string* found);

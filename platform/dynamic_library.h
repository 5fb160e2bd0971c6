// Loading shared libraries and finding their exported functions.
#pragma once

// Loads the library (a path, or a name without '/' looked up in the
// system's library folders), resolving all its symbols at once; null when
// it cannot be loaded. A path must lead to a regular file (links followed):
// a FIFO, folder or device gives null at once. A name without '/' is the
// system loader's to find, in the folders that the system and the user's
// environment name (the library path, the loader's cache); those are
// trusted as they stand, since whoever can write there can put a library
// there. Loading an already loaded library gives the same handle again and
// counts one more load.
void* PlatformLibraryOpen(const char* name);

// The address of the exported name in the library (case matters); null when
// the library exports no such name.
void* PlatformLibrarySymbol(void* library, const char* name);

// Releases one load of the library; the last release unloads it.
void PlatformLibraryClose(void* library);

// Functions that the BASIC program imports from shared libraries (DECLARE).
//
// The compiled program registers each declaration from its static
// initialisers; start-up resolves them all in one pass, loading each module
// once (modules are told apart by their lower-cased names); the process exit
// unloads them. A declaration that cannot be resolved leaves its pointer
// null and is reported to the debugger and the error log; it does not stop
// the program and sets no error code.
#pragma once

#include "core/grow_array.h"
#include "core/rt_string.h"

// One declaration: texts owned by the compiled program, and the address of
// its function-pointer variable.
struct DeclareRecord {
  const char* module;  // as the program wrote it
  const char* entry;   // exported name, case as written
  void** pointer;      // receives the entry's address, or stays null
};

// A loaded module: the lower-cased name under which it was loaded and its
// handle, kept together.
struct DeclareModule {
  RtString name;
  void* handle = nullptr;
};

struct DeclareRegistryState {
  GrowArray<DeclareModule> modules;   // in load order
  GrowArray<DeclareRecord> pending;   // in registration order
};

// The one registry, made on the first call (which also registers
// DeclareRegistryFree to run at process exit).
DeclareRegistryState& DeclareRegistry();

// Registers a declaration and sets its pointer variable to null. When the
// list cannot grow the declaration is dropped without a report.
void DeclareRegister(const char* module, const char* entry, void** pointer);

// The delay-load pass of start-up: with declarations pending, logs
// "Delay load DLLs\n" and resolves each in registration order (the list is
// kept). With none, does nothing.
void DeclareLoadAll();

// Resolves one declaration, loading its module unless a module of the same
// lower-cased name is loaded already. The module is found as the Windows
// loader finds a DLL: a name without an extension is tried as written, then
// with ".so"; a bare name (no folder) is looked for beside the program
// before the system's library search. A file named by a path, or found
// beside the program, loads only when it is a regular file (after links);
// anything else is not found. The system's search is the loader's own. Reports "DECLARE module not found: "
// with the lower-cased name, or "DECLARE entry not found: " with the entry,
// each with "\n", to the debugger and the error log.
void DeclareResolve(const char* module, const char* entry, void** pointer);

// Drops the declarations and unloads every module in load order. Runs at
// process exit; nothing may call a declared function afterwards.
void DeclareRegistryFree();

// GLSL programs in the 3D engine's 255 shader slots, through the ARB
// shader-object entry points (gfx2d/gl_extensions.h; each may be missing).
//
// A slot is loaded from a vertex and a fragment source, each a file or a
// "mem://" block; one slot is current at a time, and uniforms and vertex
// attributes are set on the current program by name. Nothing fails loudly:
// every failure gives false or nothing, and its text goes to the reporter
// the caller passes (none: not reported). Main thread only, with the
// context current.
#pragma once

#include <cstdint>

class Dodevudi3D;

// Receives one report text (zero-terminated).
using ShaderReporter = void (*)(const char* text);

// Loads the slot (0 to 254) from the sources; a null name leaves that
// stage out. The slot's old objects go first. True when every source given
// was read and compiled and the program linked. Reports: "No OpenGL 2.0
// Shader Support" (once per run), a compile or link log, then "vertex
// shader failed", "fragment shader failed" or "link shader failed".
bool ShaderLoad(Dodevudi3D& engine, uint32_t slot, const char* vertexName, const char* fragmentName,
                ShaderReporter reporter);

// Deletes the slot's program and shader objects (slot 0 to 254).
void ShaderFree(Dodevudi3D& engine, uint32_t slot);

// Makes the slot's program current; any number above 254 selects none
// (current shader -1).
void ShaderUse(Dodevudi3D& engine, uint32_t slot);

// The compile (compiled true) or link status of an object; when it failed,
// its info log goes to the reporter.
bool ShaderCheckStatus(uint32_t object, bool compiled, ShaderReporter reporter);

// Set a uniform or a vertex attribute of the current program; nothing when
// no shader is current. An unknown name reports "undefined uniform:" or
// "undefined attrib:" and then the name.
void ShaderSetUniformFloat(Dodevudi3D& engine, const char* name, float value, ShaderReporter reporter);
void ShaderSetUniformInt(Dodevudi3D& engine, const char* name, int32_t value, ShaderReporter reporter);
void ShaderSetAttribute(Dodevudi3D& engine, const char* name, float value, ShaderReporter reporter);

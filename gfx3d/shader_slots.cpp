#include "gfx3d/shader_slots.h"

#include <cstdlib>

#include "files/file_stream.h"
#include "gfx2d/gl_extensions.h"
#include "gfx3d/dodevudi3d.h"

namespace {

// The missing-support notice is given once per run.
bool g_reportMissingSupport = true;

void Report(ShaderReporter reporter, const char* text) {
  if (reporter != nullptr) reporter(text);
}

// The whole source, zero-terminated, in a malloc block; null when it
// cannot be read.
char* ReadSource(const char* name) {
  FileStream stream{};
  if (!StreamOpen(stream, name)) return nullptr;
  char* text = nullptr;
  if (stream.size >= 0 && stream.size < INT32_MAX) {
    const int32_t size = static_cast<int32_t>(stream.size);
    text = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (text != nullptr && (size == 0 || StreamRead(stream, text, size))) {
      text[size] = '\0';
    } else {
      std::free(text);
      text = nullptr;
    }
  }
  StreamClose(stream);
  return text;
}

// Reads and compiles one stage into *object. False when the source cannot
// be read or does not compile (the log and failure text are reported).
bool CompileStage(const char* name, GLenum kind, uint32_t* object, const char* failure,
                  ShaderReporter reporter) {
  char* source = ReadSource(name);
  if (source == nullptr) {
    Report(reporter, failure);
    return false;
  }
  *object = g_glext.glCreateShaderObjectARB(kind);
  const GLcharARB* text = source;
  g_glext.glShaderSourceARB(*object, 1, &text, nullptr);
  g_glext.glCompileShaderARB(*object);
  std::free(source);
  if (ShaderCheckStatus(*object, true, reporter)) return true;
  Report(reporter, failure);
  return false;
}

bool ShaderSlotValid(uint32_t slot) { return slot < static_cast<uint32_t>(kShaderSlotCount); }

// The current program, or 0 with no shader current.
bool CurrentProgram(const Dodevudi3D& engine, uint32_t* program) {
  const uint32_t current = static_cast<uint32_t>(engine.currentShader);
  if (!ShaderSlotValid(current)) return false;
  *program = engine.shaders[current].program;
  return true;
}

// The location of a uniform or attribute of the current program. False
// with no shader current or without the look-up; an unknown name reports
// the text and the name.
using LocateFn = GLint (*)(GLhandleARB, const GLcharARB*);
bool FindLocation(const Dodevudi3D& engine, LocateFn locate, const char* name, const char* undefined,
                  ShaderReporter reporter, GLint* location) {
  uint32_t program = 0;
  if (locate == nullptr || name == nullptr || !CurrentProgram(engine, &program)) return false;
  *location = locate(program, name);
  if (*location != -1) return true;
  Report(reporter, undefined);
  Report(reporter, name);
  return false;
}

}  // namespace

bool ShaderLoad(Dodevudi3D& engine, uint32_t slot, const char* vertexName, const char* fragmentName,
                ShaderReporter reporter) {
  if (!ShaderSlotValid(slot)) return false;
  if (g_glext.glCreateShaderObjectARB == nullptr || g_glext.glCompileShaderARB == nullptr ||
      g_glext.glLinkProgramARB == nullptr) {
    if (reporter != nullptr && g_reportMissingSupport) {
      g_reportMissingSupport = false;
      reporter("No OpenGL 2.0 Shader Support");
    }
    return false;
  }
  ShaderFree(engine, slot);
  ShaderSlot& s = engine.shaders[slot];
  // A vertex source that was given and failed fails the load, also when
  // the program links without it.
  bool vertexOk = true;
  bool result = false;
  if (vertexName != nullptr) {
    vertexOk = CompileStage(vertexName, GL_VERTEX_SHADER_ARB, &s.vertexShader, "vertex shader failed", reporter);
    result = vertexOk;
  }
  if (fragmentName != nullptr) {
    result = CompileStage(fragmentName, GL_FRAGMENT_SHADER_ARB, &s.fragmentShader, "fragment shader failed",
                          reporter);
  }
  // The stage given last decides whether the program is linked.
  if (!result || (s.vertexShader == 0 && s.fragmentShader == 0)) return false;
  s.program = g_glext.glCreateProgramObjectARB();
  if (s.vertexShader != 0) g_glext.glAttachObjectARB(s.program, s.vertexShader);
  if (s.fragmentShader != 0) g_glext.glAttachObjectARB(s.program, s.fragmentShader);
  g_glext.glLinkProgramARB(s.program);
  if (!ShaderCheckStatus(s.program, false, reporter)) {
    Report(reporter, "link shader failed");
    return false;
  }
  return vertexOk;
}

void ShaderFree(Dodevudi3D& engine, uint32_t slot) {
  if (!ShaderSlotValid(slot) || g_glext.glDeleteObjectARB == nullptr) return;
  ShaderSlot& s = engine.shaders[slot];
  for (uint32_t* object : {&s.program, &s.vertexShader, &s.fragmentShader}) {
    if (*object != 0) g_glext.glDeleteObjectARB(*object);
    *object = 0;
  }
}

void ShaderUse(Dodevudi3D& engine, uint32_t slot) {
  if (g_glext.glUseProgramObjectARB == nullptr) return;
  if (ShaderSlotValid(slot)) {
    engine.currentShader = static_cast<int32_t>(slot);
    g_glext.glUseProgramObjectARB(engine.shaders[slot].program);
  } else {
    g_glext.glUseProgramObjectARB(0);
    engine.currentShader = -1;
  }
}

bool ShaderCheckStatus(uint32_t object, bool compiled, ShaderReporter reporter) {
  if (g_glext.glGetObjectParameterivARB == nullptr) return false;
  GLint status = 0;
  g_glext.glGetObjectParameterivARB(object, compiled ? GL_OBJECT_COMPILE_STATUS_ARB : GL_OBJECT_LINK_STATUS_ARB,
                                    &status);
  if (status != 0) return true;
  if (reporter != nullptr && g_glext.glGetInfoLogARB != nullptr) {
    GLint length = 0;
    g_glext.glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length < 1) length = 1;
    char* log = static_cast<char*>(std::calloc(static_cast<size_t>(length), 1));
    if (log != nullptr) {
      g_glext.glGetInfoLogARB(object, length, nullptr, log);
      log[length - 1] = '\0';
      reporter(log);
      std::free(log);
    }
  }
  return false;
}

void ShaderSetUniformFloat(Dodevudi3D& engine, const char* name, float value, ShaderReporter reporter) {
  GLint location = -1;
  if (g_glext.glUniform1fARB != nullptr &&
      FindLocation(engine, g_glext.glGetUniformLocationARB, name, "undefined uniform:", reporter, &location)) {
    g_glext.glUniform1fARB(location, value);
  }
}

void ShaderSetUniformInt(Dodevudi3D& engine, const char* name, int32_t value, ShaderReporter reporter) {
  GLint location = -1;
  if (g_glext.glUniform1iARB != nullptr &&
      FindLocation(engine, g_glext.glGetUniformLocationARB, name, "undefined uniform:", reporter, &location)) {
    g_glext.glUniform1iARB(location, value);
  }
}

void ShaderSetAttribute(Dodevudi3D& engine, const char* name, float value, ShaderReporter reporter) {
  GLint location = -1;
  if (g_glext.glVertexAttrib1fARB != nullptr &&
      FindLocation(engine, g_glext.glGetAttribLocationARB, name, "undefined attrib:", reporter, &location)) {
    g_glext.glVertexAttrib1fARB(static_cast<GLuint>(location), value);
  }
}

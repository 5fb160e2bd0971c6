#include "gfx2d/gl_extensions.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "files/error_log.h"
#include "platform/gl_window.h"

GlExtensions g_glext = {};

namespace {

const char* ExtensionList() {
  const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return list != nullptr ? list : "";
}

// Looks one entry point up when its extension is offered; a missing one is
// logged and stays null.
template <typename Fn>
void Load(Fn& slot, const char* name, bool offered) {
  slot = offered ? reinterpret_cast<Fn>(PlatformGlProcAddress(name)) : nullptr;
  if (slot == nullptr) {
    char line[96];
    std::snprintf(line, sizeof(line), "ext: %-35s   [FAILED]", name);
    ErrorLogAppend(line);
  }
}

}  // namespace

void GlLoadExtensions() {
  const char* list = ExtensionList();
  g_glext.swapControl = true;  // the swap interval is asked of SDL, whose refusal is harmless

  const bool multitexture = std::strstr(list, "GL_ARB_multitexture") != nullptr;
  Load(g_glext.glActiveTextureARB, "glActiveTextureARB", multitexture);
  Load(g_glext.glMultiTexCoord2fARB, "glMultiTexCoord2fARB", multitexture);
  Load(g_glext.glClientActiveTextureARB, "glClientActiveTextureARB", multitexture);
  const bool buffers = multitexture && std::strstr(list, "GL_ARB_vertex_buffer_object") != nullptr;
  Load(g_glext.glGenBuffersARB, "glGenBuffersARB", buffers);
  Load(g_glext.glBindBufferARB, "glBindBufferARB", buffers);
  Load(g_glext.glBufferDataARB, "glBufferDataARB", buffers);
  Load(g_glext.glDeleteBuffersARB, "glDeleteBuffersARB", buffers);
  Load(g_glext.glMapBufferARB, "glMapBufferARB", buffers);
  Load(g_glext.glUnmapBufferARB, "glUnmapBufferARB", buffers);
  Load(g_glext.glGetBufferParameterivARB, "glGetBufferParameterivARB", buffers);

  const bool shaders = std::strstr(list, "GL_ARB_fragment_program") != nullptr &&
                       std::strstr(list, "GL_ARB_shader_objects") != nullptr;
  const bool vertexShader = shaders && std::strstr(list, "GL_ARB_vertex_shader") != nullptr;
  Load(g_glext.glCreateProgramObjectARB, "glCreateProgramObjectARB", shaders);
  Load(g_glext.glDeleteObjectARB, "glDeleteObjectARB", shaders);
  Load(g_glext.glCreateShaderObjectARB, "glCreateShaderObjectARB", shaders);
  Load(g_glext.glShaderSourceARB, "glShaderSourceARB", shaders);
  Load(g_glext.glCompileShaderARB, "glCompileShaderARB", shaders);
  Load(g_glext.glGetObjectParameterivARB, "glGetObjectParameterivARB", shaders);
  Load(g_glext.glAttachObjectARB, "glAttachObjectARB", shaders);
  Load(g_glext.glGetInfoLogARB, "glGetInfoLogARB", shaders);
  Load(g_glext.glLinkProgramARB, "glLinkProgramARB", shaders);
  Load(g_glext.glUseProgramObjectARB, "glUseProgramObjectARB", shaders);
  Load(g_glext.glGetUniformLocationARB, "glGetUniformLocationARB", shaders);
  Load(g_glext.glUniform1fARB, "glUniform1fARB", shaders);
  Load(g_glext.glUniform1iARB, "glUniform1iARB", shaders);
  Load(g_glext.glGetAttribLocationARB, "glGetAttribLocationARB", vertexShader);
  Load(g_glext.glVertexAttrib1fARB, "glVertexAttrib1fARB", vertexShader);
}

void FboLoadExtensions() {
  const bool offered = std::strstr(ExtensionList(), "GL_EXT_framebuffer_object") != nullptr;
  Load(g_glext.glBindRenderbufferEXT, "glBindRenderbufferEXT", offered);
  Load(g_glext.glDeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT", offered);
  Load(g_glext.glGenRenderbuffersEXT, "glGenRenderbuffersEXT", offered);
  Load(g_glext.glRenderbufferStorageEXT, "glRenderbufferStorageEXT", offered);
  Load(g_glext.glBindFramebufferEXT, "glBindFramebufferEXT", offered);
  Load(g_glext.glDeleteFramebuffersEXT, "glDeleteFramebuffersEXT", offered);
  Load(g_glext.glGenFramebuffersEXT, "glGenFramebuffersEXT", offered);
  Load(g_glext.glCheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT", offered);
  Load(g_glext.glFramebufferTexture2DEXT, "glFramebufferTexture2DEXT", offered);
  Load(g_glext.glFramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT", offered);
  Load(g_glext.glGetFramebufferAttachmentParameterivEXT, "glGetFramebufferAttachmentParameterivEXT",
       offered);
  g_glext.fboUsable = g_glext.glGenFramebuffersEXT != nullptr;
  if (!g_glext.fboUsable) ErrorLogAppend("can't use framebuffer object\n");
}

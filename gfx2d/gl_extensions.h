// OpenGL extension entry points, loaded once a context exists. Each stays
// null unless the context's extension string names its extension (an
// address for a name alone proves nothing here).
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

struct GlExtensions {
  // GL_ARB_multitexture (and the ARB vertex-buffer functions loaded with it).
  PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
  PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
  PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB;
  PFNGLGENBUFFERSARBPROC glGenBuffersARB;
  PFNGLBINDBUFFERARBPROC glBindBufferARB;
  PFNGLBUFFERDATAARBPROC glBufferDataARB;
  PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB;
  PFNGLMAPBUFFERARBPROC glMapBufferARB;
  PFNGLUNMAPBUFFERARBPROC glUnmapBufferARB;
  PFNGLGETBUFFERPARAMETERIVARBPROC glGetBufferParameterivARB;
  // Shader objects (GL_ARB_fragment_program).
  PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB;
  PFNGLDELETEOBJECTARBPROC glDeleteObjectARB;
  PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB;
  PFNGLSHADERSOURCEARBPROC glShaderSourceARB;
  PFNGLCOMPILESHADERARBPROC glCompileShaderARB;
  PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB;
  PFNGLATTACHOBJECTARBPROC glAttachObjectARB;
  PFNGLGETINFOLOGARBPROC glGetInfoLogARB;
  PFNGLLINKPROGRAMARBPROC glLinkProgramARB;
  PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB;
  PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB;
  PFNGLUNIFORM1FARBPROC glUniform1fARB;
  PFNGLUNIFORM1IARBPROC glUniform1iARB;
  PFNGLGETATTRIBLOCATIONARBPROC glGetAttribLocationARB;
  PFNGLVERTEXATTRIB1FARBPROC glVertexAttrib1fARB;
  // Framebuffer objects (GL_EXT_framebuffer_object), for offscreen screens.
  PFNGLBINDRENDERBUFFEREXTPROC glBindRenderbufferEXT;
  PFNGLDELETERENDERBUFFERSEXTPROC glDeleteRenderbuffersEXT;
  PFNGLGENRENDERBUFFERSEXTPROC glGenRenderbuffersEXT;
  PFNGLRENDERBUFFERSTORAGEEXTPROC glRenderbufferStorageEXT;
  PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT;
  PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT;
  PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT;
  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT;
  PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT;
  PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC glFramebufferRenderbufferEXT;
  PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC glGetFramebufferAttachmentParameterivEXT;
  bool fboUsable;       // glGenFramebuffersEXT was found
  bool swapControl;     // the swap interval can be asked for
};

extern GlExtensions g_glext;

// Loads the multitexture, vertex-buffer and shader entry points of the
// current context; each missing one is logged "ext: <name>   [FAILED]".
void GlLoadExtensions();

// Loads the framebuffer-object entry points the same way; logs
// "can't use framebuffer object" when glGenFramebuffersEXT is missing.
void FboLoadExtensions();

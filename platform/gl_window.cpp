#include "platform/gl_window.h"

#include <SDL.h>

struct PlatformWindow {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
};

bool PlatformVideoStart() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return true;
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

PlatformWindow* PlatformWindowCreate(const PlatformWindowConfig& config) {
  if (!PlatformVideoStart()) return nullptr;

  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  const bool multisample = config.multisampleSamples > 0;
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, multisample ? 8 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, multisample ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, multisample ? config.multisampleSamples : 0);

  Uint32 flags = SDL_WINDOW_OPENGL;
  flags |= config.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  if (config.fullScreen) flags |= SDL_WINDOW_FULLSCREEN;

  auto* result = new PlatformWindow;
  result->window = SDL_CreateWindow(config.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    config.width, config.height, flags);
  if (result->window != nullptr) result->context = SDL_GL_CreateContext(result->window);
  if (result->context == nullptr) {
    PlatformWindowDestroy(result);
    return nullptr;
  }
  SDL_GL_MakeCurrent(result->window, result->context);
  return result;
}

void PlatformWindowDestroy(PlatformWindow* window) {
  if (window == nullptr) return;
  if (window->context != nullptr) SDL_GL_DeleteContext(window->context);
  if (window->window != nullptr) SDL_DestroyWindow(window->window);
  delete window;
}

void PlatformWindowSwap(PlatformWindow* window) {
  if (window != nullptr) SDL_GL_SwapWindow(window->window);
}

void* PlatformGlProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

std::string PlatformLastError() { return SDL_GetError(); }

void PlatformWindowSetTitle(PlatformWindow* window, const char* title) {
  if (window != nullptr) SDL_SetWindowTitle(window->window, title);
}

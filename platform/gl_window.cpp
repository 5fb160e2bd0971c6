#include "platform/gl_window.h"

#include <SDL.h>

#include "platform/sdl_window.h"


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

void PlatformWindowSetBordered(PlatformWindow* window, bool bordered) {
  if (window != nullptr) SDL_SetWindowBordered(window->window, bordered ? SDL_TRUE : SDL_FALSE);
}

void PlatformWindowShow(PlatformWindow* window, bool shown) {
  if (window == nullptr) return;
  if (shown) {
    SDL_ShowWindow(window->window);
  } else {
    SDL_HideWindow(window->window);
  }
}

void PlatformWindowSetTitle(PlatformWindow* window, const char* title) {
  if (window != nullptr) SDL_SetWindowTitle(window->window, title);
}

void PlatformWindowRaise(PlatformWindow* window) {
  if (window != nullptr) SDL_RaiseWindow(window->window);
}

void PlatformWindowSetSize(PlatformWindow* window, int width, int height) {
  if (window != nullptr && width > 0 && height > 0) SDL_SetWindowSize(window->window, width, height);
}

void PlatformWindowCentre(PlatformWindow* window) {
  if (window == nullptr) return;
  int display = SDL_GetWindowDisplayIndex(window->window);
  if (display < 0) display = 0;
  SDL_SetWindowPosition(window->window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                        SDL_WINDOWPOS_CENTERED_DISPLAY(display));
}

void PlatformWindowGetSize(PlatformWindow* window, int* width, int* height) {
  *width = 0;
  *height = 0;
  if (window != nullptr) SDL_GetWindowSize(window->window, width, height);
}

bool PlatformWindowShown(PlatformWindow* window) {
  return window != nullptr && (SDL_GetWindowFlags(window->window) & SDL_WINDOW_SHOWN) != 0;
}

bool PlatformWindowFullScreen(PlatformWindow* window) {
  return window != nullptr && (SDL_GetWindowFlags(window->window) & SDL_WINDOW_FULLSCREEN) != 0;
}

void* PlatformWindowContext(PlatformWindow* window) {
  return window != nullptr ? window->context : nullptr;
}

bool PlatformSetSwapInterval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

bool PlatformGlSoftware() {
  int accelerated = 1;
  if (SDL_GL_GetAttribute(SDL_GL_ACCELERATED_VISUAL, &accelerated) == 0 && accelerated == 0) {
    return true;
  }
  using GetStringFn = const unsigned char* (*)(unsigned int);
  auto get_string = reinterpret_cast<GetStringFn>(SDL_GL_GetProcAddress("glGetString"));
  if (get_string == nullptr) return false;
  const char* renderer = reinterpret_cast<const char*>(get_string(0x1F01));  // GL_RENDERER
  if (renderer == nullptr) return false;
  const std::string text = renderer;
  return text == "Mesa Windows GDI Driver" || text.find("llvmpipe") != std::string::npos ||
         text.find("softpipe") != std::string::npos || text.find("Software Rasterizer") != std::string::npos;
}

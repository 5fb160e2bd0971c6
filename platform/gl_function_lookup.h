// Whether an OpenGL function or extension can be used in the current
// context.
#pragma once

// True only while an OpenGL context is current, and then for a name that
// the context's extension string lists; for an extension's "gl" function
// (ending in a vendor tag such as ARB or EXT) that the context's function
// loader finds while the extension string names an extension of that
// vendor; or for another "gl" function that the OpenGL library itself
// provides. Unknown names answer false (unlike the GL loader, which hands
// out an address for any name).
bool PlatformGlFunctionAvailable(const char* name);

// The hooks through which the layers below the application set off what
// only a higher layer can do. Each lower layer declares its hook as a plain
// function pointer in its own header, with a safe default while it is null.
#pragma once

// Installs the runtime's hooks:
// - the value types' fatal errors take the error state's convention
//   (core/fatal_error.h: RuntimeFatal);
// - ProgramEnd logs the end position in debug mode and tears the runtime
//   down, and a way out that starts something first can tear it down
//   (process/program_end.h: ProgramTeardown, AppShutdown);
// - the commands below the application run frames and pump messages
//   (process/frame_hooks.h: ShowScreen, PumpMessages, Win32MsgHookGet);
// - the 2D render reset and the viewport commands reach the 3D engine
//   (gfx2d/render_state.h, gfx2d/screen_commands.h: X3DResetRenderState,
//   Gl3DShadowPass).
// The game's own hook comes with the game (RuntimeSetGame). AppInit calls
// this first; calling it again changes nothing.
void RuntimeInstallHooks();

#include "app/runtime_hooks.h"

#include "app/app_shutdown.h"
#include "app/frame_end.h"
#include "app/message_pump.h"
#include "core/fatal_error.h"
#include "gfx2d/render_state.h"
#include "gfx2d/screen_commands.h"
#include "gfx3d/commands3d.h"
#include "gfx3d/shadow_pass.h"
#include "process/error_state.h"
#include "process/frame_hooks.h"
#include "process/program_end.h"

void RuntimeInstallHooks() {
  g_fatalErrorHook = RuntimeFatal;
  g_programTeardownHook = ProgramTeardown;
  g_runtimeShutdownHook = AppShutdown;
  g_showScreenHook = ShowScreen;
  g_pumpMessagesHook = PumpMessages;
  g_win32MsgHookGetHook = Win32MsgHookGet;
  g_resetRenderState3DHook = X3DResetRenderState;
  g_shadowPassHook = Gl3DShadowPass;
}

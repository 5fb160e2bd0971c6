// The process entry of the game: records the arguments, hands the game to
// the runtime and runs it with the show command "show".
#include "app/runtime_main.h"
#include "game/game_program.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
  PlatformSetArguments(argc, argv);
  RuntimeSetGame(ZivureProgram());
  RuntimeMain(kShowDefault);
}

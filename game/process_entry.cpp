// The process entry of the game: records the arguments and hands over to
// the runtime with the show command "show".
#include "app/runtime_main.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
  PlatformSetArguments(argc, argv);
  RuntimeMain(kShowDefault);
}

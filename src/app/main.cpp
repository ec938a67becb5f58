// pelzowin: the game's entry point.
#include "app.h"
#include "gamelib.h"

int main(int argc, char **argv)
{
    // A stop request during start-up then ends the game before its first frame.
    InstallStopSignalHandlers();
    app_startup(argc, argv);
    app_run();
    app_shutdown();
    return 0;
}

// pelzowin: the game's entry point.
#include "app.h"

int main(int argc, char **argv)
{
    app_startup(argc, argv);
    app_run();
    app_shutdown();
    return 0;
}

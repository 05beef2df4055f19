// Plovex: counts how many frames per second the machine draws off-screen and puts on
// the screen, and rates the result.
#include "startup.h"

int main(int argc, char *argv[])
{
    return RunPlovex(argc, argv);
}

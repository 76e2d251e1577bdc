#include "korvanecli.h"

int main(int argc, char *argv[])
{
    return korvaneCli().main(argc, argv);
}

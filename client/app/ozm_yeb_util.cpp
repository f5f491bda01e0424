#include "yeb_util_main.h"

// glibc loads no executable as a library, so the partner runs the entry point
// through this program, with the same argument positions.
int main(int argc, char** argv)
{
    return yeb_util_main(argc, argv);
}

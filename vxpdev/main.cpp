// vxpdev: device file tools from the shell (ports, info, ls, cat, get, put, rm, mkdir, rmdir,
// df, verify, reset, stop) over the upload tool's Connection.
#include "CommandLine.h"

int main(int argc, char** argv) {
    return RunVxpdev(argc, argv);
}

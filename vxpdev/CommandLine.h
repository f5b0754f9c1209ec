// The vxpdev driver's entry: the command line, then the chosen subcommand.
#pragma once

// The whole run. The exit status.
int RunVxpdev(int argc, char** argv);

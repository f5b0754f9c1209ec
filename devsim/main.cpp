// devsim: a simulated device on a pseudo-terminal (see DevsimProgram.h).
#include "DevsimProgram.h"

int main(int argc, char* argv[]) {
    return devsim::RunDevsim(argc, argv);
}

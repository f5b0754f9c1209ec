/* The sample application's source: built by samples/hello/CMakeLists.txt to show the pack
 * step on a real build output. */
#include <stdio.h>

int main(void) {
    puts("Hello");
    return 0;
}

// The program without a window: keyboard lines from standard input, the
// screens on standard output.
#include "main/main_program.h"
#include "platform/frontend.h"

int main(int argc, char** argv) { return run_headless(argc, argv, main_program); }

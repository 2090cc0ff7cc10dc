// The program in its desktop window.
#include "main/main_program.h"
#include "platform/frontend.h"

int main(int argc, char** argv) { return run_desktop(argc, argv, KALVO_PROGRAM_NAME, main_program); }

// The two frontends that show the window and feed the keyboard.
#pragma once

using ProgramEntry = void (*)();

// Desktop window (Qt). Runs the program on a second thread.
int run_desktop(int argc, char** argv, const char* title, ProgramEntry program);
// Headless: keyboard lines from standard input, screens to standard output.
int run_headless(int argc, char** argv, ProgramEntry program);

// The program: start-up, data and edit loop, runs, legs and the main menu.
#pragma once

void main_program();

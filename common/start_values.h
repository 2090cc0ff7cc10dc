// One place sets every shared table and word to its value at program start.
#pragma once

void set_start_values();

// The three-screen parameter editor and its cells.
#pragma once

#include <cstdint>

#include "common/params.h"

void edit_parameters();
void show_parameter(const Name& label, const int16_t& row, const int16_t& screen, int16_t& int_value,
                    double& real_value, const int16_t& kind);
// False when the answer could not be read: the value is then as it was.
bool edit_parameter(const Name& label, const int16_t& row, const int16_t& screen, int16_t& int_value,
                    double& real_value, const int16_t& kind);

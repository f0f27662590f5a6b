// The program's icon, carried for its windows (PNG bytes).
#pragma once

#include <cstdint>
#include <span>

std::span<const uint8_t> appIconPng();

// Heap allocations made through the global operator new since the program
// started; the benchmark program replaces the operators to count them.
#pragma once

#include <cstddef>

namespace bench {
size_t Allocations();
}

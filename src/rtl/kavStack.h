#pragma once

// The native stack of the calling thread, for recursive code that must stop before it runs
// out (deep scripts, deep grammars) instead of crashing.

#include <cstddef>

// The lowest usable address of this thread's stack plus reserve (at most a quarter of the
// stack), or nullptr when the stack cannot be queried. Computed once per thread.
const char *kavStackLimit(std::size_t reserve);

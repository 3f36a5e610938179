// Vertical bands run by the engine.
#include <engine/kavEngine.h>

#include <gtest/gtest.h>

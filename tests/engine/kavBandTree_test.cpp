#include <engine/kavBandTree.h>

#include <gtest/gtest.h>

#include <engine/kavAggregate.h>

#include <gtest/gtest.h>

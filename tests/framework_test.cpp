#include <gtest/gtest.h>

TEST(Placeholder_framework_test, Builds) { SUCCEED(); }

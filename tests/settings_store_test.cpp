#include <gtest/gtest.h>

TEST(Placeholder_settings_store_test, Builds) { SUCCEED(); }

#include <gtest/gtest.h>

TEST(Placeholder_saver_settings_test, Builds) { SUCCEED(); }

#include <gtest/gtest.h>

TEST(Placeholderfoundation, LayerLinks) { SUCCEED(); }

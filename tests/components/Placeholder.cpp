#include <gtest/gtest.h>

TEST(Placeholdercomponents, LayerLinks) { SUCCEED(); }

// The vector that keeps its first elements inline and spills the rest.
#include "base/inline_vector.h"

#include <gtest/gtest.h>

#include <string>

namespace drovik {
namespace {

TEST(InlineVector, KeepsEveryElementAcrossSpillsAndRemovals) {
  InlineVector<std::string, 2> v;
  for (int i = 0; i < 6; ++i) v.emplace_back(std::to_string(i) + std::string(20, 'x'));
  v.swap_remove(0);  // the last element moves to the front
  v.swap_remove(3);
  ASSERT_EQ(v.size(), 4u);
  InlineVector<std::string, 2> moved = std::move(v);
  EXPECT_EQ(v.size(), 0u);
  std::string firsts;
  for (std::size_t i = 0; i < moved.size(); ++i) firsts += moved[i][0];
  EXPECT_EQ(firsts, "5124");
  InlineVector<std::string, 2> copy;
  copy = moved;
  EXPECT_EQ(copy[3], moved[3]);
}

TEST(InlineVector, TriviallyRelocatableElementsMoveBytewise) {
  InlineVector<int, 4> v;
  for (int i = 0; i < 7; ++i) v.emplace_back(i * i);
  InlineVector<int, 4> moved = std::move(v);
  ASSERT_EQ(moved.size(), 7u);
  EXPECT_EQ(v.size(), 0u);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(moved[static_cast<std::size_t>(i)], i * i);
}

}  // namespace
}  // namespace drovik

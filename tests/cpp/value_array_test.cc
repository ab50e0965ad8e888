#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "array/array_comparison.h"
#include "array/array_indexing.h"
#include "array/array_layout.h"
#include "array/array_operations.h"
#include "array/strided_values.h"
#include "quantity/conversion.h"
#include "quantity/quantity_arithmetic.h"
#include "quantity/quantity_rounding.h"
#include "test_helpers.h"

namespace drovik {
namespace {

using testing::same_double;
using testing::units_of;

ArrayShape shape_of(std::vector<std::size_t> extents) { return *ArrayShape::of(extents); }

struct BroadcastCase {
  std::vector<std::size_t> a, b;
  std::string result;  // the shape's text, or the error's
};

TEST(ArrayShapes, BroadcastAsNumpyDoes) {
  const BroadcastCase cases[] = {
      {{2, 3}, {3}, "(2, 3)"},
      {{2, 1}, {1, 4}, "(2, 4)"},
      {{}, {5}, "(5,)"},
      {{}, {}, "()"},
      {{0, 3}, {1, 3}, "(0, 3)"},
      {{4, 1, 2}, {3, 1}, "(4, 3, 2)"},
      {{2, 3}, {2}, "operands could not be broadcast together with shapes (2, 3) (2,)"},
      {{0}, {2}, "operands could not be broadcast together with shapes (0,) (2,)"},
  };
  for (const BroadcastCase& c : cases) {
    Result<ArrayShape> shape = broadcast(shape_of(c.a), shape_of(c.b));
    EXPECT_EQ(shape ? shape_text(*shape) : shape.error().message(), c.result)
        << shape_text(shape_of(c.a)) << " with " << shape_text(shape_of(c.b));
  }
}

TEST(ArrayShapes, SizesWhoseBytesOverflowAreRefused) {
  std::size_t half = std::size_t{1} << 32;
  Result<ArrayShape> huge = ArrayShape::of(std::vector<std::size_t>{half, half});
  ASSERT_FALSE(huge);
  EXPECT_EQ(huge.error().message(),
            "an array of shape (4294967296, 4294967296) does not fit in memory");
  // As numpy: a zero extent makes no size, but the other extents' bytes must
  // still fit a ptrdiff_t, or strides and offsets would overflow.
  constexpr std::size_t kMost = PTRDIFF_MAX / sizeof(double);
  struct Case {
    std::vector<std::size_t> extents;
    bool accepted;
  };
  for (const Case& c : std::vector<Case>{{{half, half, 0}, false},
                                         {{0, kMost}, true},
                                         {{0, kMost + 1}, false},
                                         {{kMost / 2, 2, 0}, true},
                                         {{kMost / 2 + 1, 2, 0}, false},
                                         {{kMost / 3, 3}, true},
                                         {{0, 0, 0}, true}}) {
    Result<ArrayShape> shape = ArrayShape::of(c.extents);
    EXPECT_EQ(static_cast<bool>(shape), c.accepted) << c.extents[0] << " " << c.extents[1];
    if (shape && c.extents.back() == 0) {
      EXPECT_EQ(shape->size(), 0u);
    }
  }
  EXPECT_TRUE(ArrayShape::of(std::vector<std::size_t>(kMaxDimensions, 1)));
  Result<ArrayShape> deep = ArrayShape::of(std::vector<std::size_t>(1000000, 1));
  ASSERT_FALSE(deep);  // the message does not spell a million extents
  EXPECT_EQ(deep.error().message(), "an array of shape of 1000000 dimensions does not fit in memory");
}

// Every format a buffer may name for one real number, in every byte order:
// '@' and '^' (unaligned) are this machine's sizes, the others standard ones.
TEST(StridedValues, FormatsNameTheirElementTypes) {
  using Kind = ElementType::Kind;
  bool little = std::endian::native == std::endian::little;
  struct Case {
    const char* format;
    std::optional<ElementType> type;
  };
  const Case cases[] = {
      {"d", ElementType{Kind::kFloat, 8, false}},
      {"^d", ElementType{Kind::kFloat, 8, false}},
      {"<e", ElementType{Kind::kFloat, 2, !little}},
      {">e", ElementType{Kind::kFloat, 2, little}},
      {"!f", ElementType{Kind::kFloat, 4, little}},
      {"=l", ElementType{Kind::kSigned, 4, false}},
      {"@l", ElementType{Kind::kSigned, sizeof(long), false}},
      {"^L", ElementType{Kind::kUnsigned, sizeof(long), false}},
      {">q", ElementType{Kind::kSigned, 8, little}},
      {"?", ElementType{Kind::kBool, 1, false}},
      {"^n", ElementType{Kind::kSigned, sizeof(std::size_t), false}},
      {"=n", std::nullopt},
      {"Zd", std::nullopt},
      {"2d", std::nullopt},
      {"", std::nullopt},
      {"^", std::nullopt},
      {"g", std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<ElementType> type = element_type_of(c.format);
    ASSERT_EQ(type.has_value(), c.type.has_value()) << c.format;
    if (!type) continue;
    EXPECT_EQ(type->kind, c.type->kind) << c.format;
    EXPECT_EQ(type->size, c.type->size) << c.format;
    EXPECT_EQ(type->swapped, c.type->swapped) << c.format;
  }
}

// Half floats, read in both byte orders: subnormals exactly, NaNs with their
// sign and payload where numpy's astype('f8') puts them.
TEST(StridedValues, HalfFloatsKeepEveryValueAndNaNPayload) {
  const std::pair<std::uint16_t, std::uint64_t> cases[] = {
      {0x0001, 0x3E70000000000000},  // the smallest subnormal, 2^-24
      {0x03FF, 0x3F0FF80000000000},  // the largest subnormal
      {0x8000, 0x8000000000000000},  // -0
      {0x7C00, 0x7FF0000000000000},  // inf
      {0x7E00, 0x7FF8000000000000},  // quiet NaN
      {0x7C01, 0x7FF0040000000000},  // signalling NaN, payload 1
      {0xFE37, 0xFFF8DC0000000000},  // negative quiet NaN with a payload
      {0x3C00, 0x3FF0000000000000},  // 1
  };
  for (bool swapped : {false, true}) {
    for (const auto& [half, expected] : cases) {
      std::uint16_t stored = swapped ? static_cast<std::uint16_t>(half << 8 | half >> 8) : half;
      std::byte bytes[2];
      std::memcpy(bytes, &stored, 2);
      ArrayShape one = *ArrayShape::of(std::vector<std::size_t>{1});
      std::ptrdiff_t stride = 2;
      Values values = strided_values(bytes, ElementType{ElementType::Kind::kFloat, 2, swapped},
                                     one, std::span(&stride, 1));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(values[0]), expected) << std::hex << half;
    }
  }
}

// Strides of any sign, the last axis not the fastest, a zero stride.
TEST(StridedValues, EveryLayoutIsReadInCOrder) {
  std::int32_t grid[3][4];
  for (int i = 0; i < 12; ++i) grid[i / 4][i % 4] = i;
  auto* base = reinterpret_cast<const std::byte*>(&grid[0][0]);
  ElementType int32{ElementType::Kind::kSigned, 4, false};
  struct Case {
    std::ptrdiff_t offset;
    std::vector<std::size_t> extents;
    std::vector<std::ptrdiff_t> strides;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {0, {3, 4}, {16, 4}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {0, {4, 3}, {4, 16}, {0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11}},       // transposed
      {44, {3, 2}, {-16, -8}, {11, 9, 7, 5, 3, 1}},                       // reversed, strided
      {4, {3, 2}, {16, 4}, {1, 2, 5, 6, 9, 10}},                          // column-sliced
      {8, {2, 3}, {0, 16}, {2, 6, 10, 2, 6, 10}},                         // broadcast
      {0, {2, 0, 3}, {48, 16, 4}, {}},
  };
  for (const Case& c : cases) {
    Values values = strided_values(base + c.offset, int32, *ArrayShape::of(c.extents),
                                   c.strides);
    EXPECT_EQ(std::vector<double>(values.begin(), values.end()), c.expected) << c.offset;
  }
}

// Freed blocks come back for arrays of their size only, and what a thread
// keeps stays within its bounds.
TEST(BlockCache, KeepsFewBlocksForTheirOwnSize) {
  BlockCache cache;
  constexpr std::size_t kSize = BlockCache::kFrom;
  void* blocks[BlockCache::kBlocks + 1];
  for (void*& block : blocks) block = ::operator new(kSize, BlockCache::kAlignment);
  for (void* block : blocks) EXPECT_TRUE(cache.keep(block, kSize));  // the oldest is freed
  EXPECT_EQ(cache.take(kSize + 8), nullptr);
  std::vector<void*> taken;
  while (void* block = cache.take(kSize)) taken.push_back(block);
  ASSERT_EQ(taken.size(), BlockCache::kBlocks);
  EXPECT_EQ(std::count(taken.begin(), taken.end(), blocks[0]), 0);  // freed to make room
  void* huge = ::operator new(BlockCache::kBytes + 8, BlockCache::kAlignment);
  EXPECT_FALSE(cache.keep(huge, BlockCache::kBytes + 8));
  ::operator delete(huge, BlockCache::kAlignment);
  void* half = ::operator new(BlockCache::kBytes / 2 + 8, BlockCache::kAlignment);
  EXPECT_TRUE(cache.keep(taken[0], kSize));
  EXPECT_TRUE(cache.keep(half, BlockCache::kBytes / 2 + 8));
  EXPECT_TRUE(cache.keep(taken[1], BlockCache::kBytes / 2));  // frees the first two for room
  EXPECT_EQ(cache.take(kSize), nullptr);
  EXPECT_EQ(cache.take(BlockCache::kBytes / 2 + 8), nullptr);
  EXPECT_EQ(cache.take(BlockCache::kBytes / 2), taken[1]);
  for (std::size_t i = 1; i < taken.size(); ++i) ::operator delete(taken[i], BlockCache::kAlignment);
}

// A large array's block, freed, is the next one of its size on this thread.
TEST(BlockCache, ArraysReuseTheBlocksOfArraysFreedBefore) {
  const double* first = nullptr;
  {
    Values values(100000);
    first = values.data();
  }
  Values again(100000);
  EXPECT_EQ(again.data(), first);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Units of a few dimensions, offsets, prefixes and a custom unit among them.
std::vector<UnitCollection> unit_pool() {
  DimensionVector length{{0, 0, 0, 0, 0, 1, 0, 0}};
  std::vector<UnitCollection> pool;
  for (const char* text : {"km", "m", "ft", "mm", "°C", "°F", "K", "kg.m/s2", "N", "km/hr",
                           "mi/hr", "J"}) {
    pool.push_back(units_of(text));
  }
  pool.emplace_back(SingleUnit::custom("league", "lea", 4828.032, length));
  pool.emplace_back();
  return pool;
}

ValueArray random_array(std::mt19937& random, const std::vector<std::size_t>& extents,
                        const UnitCollection& unit) {
  const double special[] = {kNaN, -0.0, 0.0, kInf, -kInf, 5e-324, 1.7976931348623157e308, 0.1,
                            std::bit_cast<double>(0x7FF8'0000'DEAD'BEEFull)};
  ArrayShape shape = shape_of(extents);
  Values values(shape.size());
  std::normal_distribution<double> normal(0.0, 1e3);
  for (double& v : values) {
    v = random() % 4 == 0 ? special[random() % std::size(special)] : normal(random);
  }
  return ValueArray{shape, std::move(values), UnitRef(unit)};
}

// Extents of a shape and of one that broadcasts with it; now and then one
// long axis, so that long runs, many short rows and blocks of repeated rows
// all occur.
std::pair<std::vector<std::size_t>, std::vector<std::size_t>> broadcastable(std::mt19937& random) {
  std::vector<std::size_t> a(random() % 4), b;
  bool long_axis = random() % 4 == 0;
  for (std::size_t& extent : a) {
    extent = random() % 4;
    if (long_axis && random() % 2 == 0) extent = 100 + random() % 700, long_axis = false;
  }
  std::size_t skip = random() % (a.size() + 1);
  for (std::size_t axis = skip; axis < a.size(); ++axis) {
    b.push_back(random() % 3 == 0 ? 1 : a[axis]);
  }
  if (random() % 2) std::swap(a, b);
  return {a, b};
}

// The index into `operand` of element `flat` of a result of shape `result`.
std::size_t source_index(const ArrayShape& operand, const ArrayShape& result, std::size_t flat) {
  std::size_t index = 0, step = 1;
  for (std::size_t k = 0; k < result.ndim(); ++k) {
    std::size_t axis = result.ndim() - 1 - k;
    std::size_t at = flat % result[axis];
    flat /= result[axis];
    if (k < operand.ndim()) {
      std::size_t extent = operand[operand.ndim() - 1 - k];
      index += (extent == 1 ? 0 : at) * step;
      step *= extent;
    }
  }
  return index;
}

// The same bits, except that which of two NaN operands' payloads a result
// carries is the processor's choice (it depends on the order the compiler
// gave the operands, which IEEE 754 leaves open).
bool same_result(double array_value, double scalar_value, double x, double y) {
  if (std::isnan(x) && std::isnan(y)) return std::isnan(array_value) && std::isnan(scalar_value);
  return same_bits(array_value, scalar_value);
}

using ArrayOperation = Result<ValueArray> (*)(const ArrayView&, const ArrayView&);
using ScalarOperation = Result<Drovik> (*)(const Drovik&, const Drovik&);

Result<Drovik> scalar_multiply(const Drovik& a, const Drovik& b) { return multiply(a, b); }
Result<Drovik> scalar_divide(const Drovik& a, const Drovik& b) { return divide(a, b); }
Result<Drovik> scalar_reflected_divide(const Drovik& a, const Drovik& b) {
  return reflected_divide(a, b);
}

struct NamedOperation {
  const char* name;
  ArrayOperation on_arrays;
  ScalarOperation on_quantities;
};

// Every element of every result, and every refusal, as single quantities
// give them: values bit for bit, units identical.
TEST(ArrayOperations, EveryElementIsWhatQuantitiesGive) {
  const NamedOperation operations[] = {
      {"add", add, add},
      {"subtract", subtract, subtract},
      {"reflected_subtract", reflected_subtract, reflected_subtract},
      {"multiply", multiply, scalar_multiply},
      {"divide", divide, scalar_divide},
      {"reflected_divide", reflected_divide, scalar_reflected_divide},
  };
  std::vector<UnitCollection> units = unit_pool();
  std::mt19937 random(20261209);
  for (int step = 0; step < 4000; ++step) {
    auto [extents_a, extents_b] = broadcastable(random);
    ValueArray a = random_array(random, extents_a, units[random() % units.size()]);
    ValueArray b = random_array(random, extents_b, units[random() % units.size()]);
    const NamedOperation& operation = operations[random() % std::size(operations)];
    Result<ValueArray> result = operation.on_arrays(a, b);
    std::string operands = std::string(operation.name) + " of " + shape_text(a.shape) + " [" +
                           as_string(*a.unit) + "] and " + shape_text(b.shape) + " [" +
                           as_string(*b.unit) + "]";
    if (!result) {
      // A refusal of the units shows on any pair of elements.
      if (result.error().kind() == DrovikError::Kind::ShapeMismatch) FAIL() << operands;
      Result<Drovik> scalar = operation.on_quantities(Drovik{1.0, a.unit}, Drovik{1.0, b.unit});
      ASSERT_FALSE(scalar) << operands;
      ASSERT_EQ(result.error().message(), scalar.error().message()) << operands;
      continue;
    }
    ASSERT_EQ(result->values.size(), result->shape.size()) << operands;
    for (std::size_t i = 0; i < result->values.size(); ++i) {
      double x = a.values[source_index(a.shape, result->shape, i)];
      double y = b.values[source_index(b.shape, result->shape, i)];
      Result<Drovik> scalar = operation.on_quantities(Drovik{x, a.unit}, Drovik{y, b.unit});
      ASSERT_TRUE(scalar) << operands;
      ASSERT_TRUE(same_result(result->values[i], scalar->value, x, y))
          << operands << ", element " << i << ": " << x << " and " << y << " gave "
          << result->values[i] << ", quantities " << scalar->value;
      ASSERT_TRUE(identical(*result->unit, *scalar->unit)) << operands;
    }
  }
}

TEST(ArrayOperations, ConversionsAreWhatQuantitiesGive) {
  std::vector<UnitCollection> units = unit_pool();
  std::mt19937 random(7);
  for (int step = 0; step < 2000; ++step) {
    ValueArray a = random_array(random, {random() % 9}, units[random() % units.size()]);
    const UnitCollection& target = units[random() % units.size()];
    Result<ValueArray> converted = as_unit(a, UnitRef(target));
    std::string operands = "[" + as_string(*a.unit) + "] to [" + as_string(target) + "]";
    for (std::size_t i = 0; i < a.values.size(); ++i) {
      Result<Drovik> scalar = as_unit_internal(Drovik{a.values[i], a.unit}, UnitRef(target));
      ASSERT_EQ(bool(converted), bool(scalar)) << operands;
      if (!scalar) {
        ASSERT_EQ(converted.error().message(), scalar.error().message()) << operands;
        break;
      }
      ASSERT_TRUE(same_bits(converted->values[i], scalar->value))
          << operands << ": " << a.values[i] << " gave " << converted->values[i]
          << ", a quantity " << scalar->value;
    }
    ValueArray base = as_base_units(a);
    for (std::size_t i = 0; i < a.values.size(); ++i) {
      Result<Drovik> scalar = as_base_units(Drovik{a.values[i], a.unit});
      ASSERT_TRUE(same_bits(base.values[i], scalar->value)) << operands << " in base units";
      ASSERT_TRUE(identical(*base.unit, *scalar->unit)) << operands;
    }
  }
}

TEST(ArrayOperations, PairwiseSumsAreAsAccurateAsNumpys) {
  // A million tenths: a running sum drifts by about 1e-6, pairwise by 1e-10.
  std::vector<double> tenths(1'000'000, 0.1);
  long double exact = 0.0L;
  double running = 0.0;
  for (double v : tenths) exact += v, running += v;
  double pairwise = pairwise_sum(tenths.data(), tenths.size());
  EXPECT_LT(std::fabs(pairwise - static_cast<double>(exact)), 1e-9) << pairwise;
  EXPECT_GT(std::fabs(running - static_cast<double>(exact)), 1e-7) << running;
  for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 127u, 128u, 129u, 1000u}) {
    std::vector<double> ones(n, 1.0);
    EXPECT_EQ(pairwise_sum(ones.data(), n), static_cast<double>(n)) << n;
    if (n > 0) {
      ones[n / 2] = kNaN;
      EXPECT_TRUE(std::isnan(pairwise_sum(ones.data(), n))) << n;
    }
  }
}

// Along an axis, each result is the reduction of the values that axis runs
// through, as numpy lays them out; errors for a missing axis and for the
// minimum of nothing.
// numpy's order of additions: down an outer axis one row after another,
// along the last axis pairwise. 1e16 absorbs each 1 added to it alone, but
// not the pairs and fours a pairwise sum makes first.
TEST(ArrayOperations, ReductionsAddInNumpysOrder) {
  const double column[] = {1e16, 1, 1, 1, 1, 1, 1, 1, -1e16};
  ValueArray tall{shape_of({9, 2}), {}, UnitRef(units_of("m"))};
  ValueArray wide{shape_of({2, 9}), {}, UnitRef(units_of("m"))};
  for (double v : column) tall.values.insert(tall.values.end(), {v, -0.0});
  for (int row = 0; row < 2; ++row) wide.values.insert(wide.values.end(), column, column + 9);
  Result<ValueArray> down = reduce(tall, Reduction::kSum, std::size_t{0});
  Result<ValueArray> along = reduce(wide, Reduction::kSum, std::size_t{1});
  ASSERT_TRUE(down && along);
  EXPECT_EQ(down->values[0], 0.0);
  EXPECT_FALSE(std::signbit(down->values[1]));  // 0.0 + -0.0 + ...: numpy's 0.0
  EXPECT_EQ(along->values[0], 6.0);
  EXPECT_EQ(along->values[1], 6.0);
  ReducedAxes both = ReducedAxes::all(2);
  Result<ValueArray> kept = reduce(tall, Reduction::kMax, both, true);
  ASSERT_TRUE(kept);
  EXPECT_EQ(shape_text(kept->shape), "(1, 1)");
  EXPECT_EQ(kept->values[0], 1e16);
}

// Minima and maxima of runs around the widths their loops work in, with a
// NaN anywhere or none: NaN when there is one, else the extreme.
TEST(ArrayOperations, ExtremesOfEveryLengthFindTheirNaN) {
  std::mt19937 random(31);
  std::normal_distribution<double> normal(0.0, 1e3);
  for (std::size_t n : {1, 2, 15, 16, 17, 31, 32, 33, 47, 100, 1000, 4099}) {
    for (std::size_t nan_at : {n, std::size_t{0}, n / 2, n - 1}) {
      ValueArray a{shape_of({2, n}), {}, UnitRef(units_of("m"))};
      for (std::size_t i = 0; i < 2 * n; ++i) a.values.push_back(normal(random));
      if (nan_at < n) a.values[n + nan_at] = kNaN;
      for (Reduction reduction : {Reduction::kMin, Reduction::kMax}) {
        Result<ValueArray> along = reduce(a, reduction, std::size_t{1});
        ASSERT_TRUE(along);
        for (std::size_t row = 0; row < 2; ++row) {
          const double* v = a.values.data() + row * n;
          double expected = v[0];
          for (std::size_t i = 0; i < n; ++i) {
            if (v[i] != v[i]) expected = kNaN;
            if (expected != expected) break;
            expected = reduction == Reduction::kMax ? std::max(expected, v[i])
                                                    : std::min(expected, v[i]);
          }
          double got = along->values[row];
          EXPECT_TRUE(got == expected || (got != got && expected != expected))
              << n << " " << nan_at << " row " << row << ": " << got << " " << expected;
        }
      }
    }
  }
}

TEST(ArrayOperations, ReductionsAlongAnAxis) {
  ValueArray a{shape_of({2, 3, 2}), {}, UnitRef(units_of("km"))};
  for (int i = 0; i < 12; ++i) a.values.push_back(i * 1.5);
  Result<ValueArray> sums = reduce(a, Reduction::kSum, 1);
  ASSERT_TRUE(sums);
  EXPECT_EQ(shape_text(sums->shape), "(2, 2)");
  const double expected[] = {0 + 3 + 6, 1.5 + 4.5 + 7.5, 9 + 12 + 15, 10.5 + 13.5 + 16.5};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(sums->values[i], expected[i]) << i;
  EXPECT_TRUE(identical(*sums->unit, *a.unit));
  EXPECT_EQ(reduce(a, Reduction::kMax, std::nullopt)->values[0], 16.5);
  EXPECT_EQ(reduce(a, Reduction::kMean, 2)->values[5], 15.75);
  a.values[4] = kNaN;
  Result<ValueArray> minima = reduce(a, Reduction::kMin, 0);
  EXPECT_TRUE(std::isnan(minima->values[4]));
  EXPECT_EQ(minima->values[3], 4.5);
  EXPECT_EQ(reduce(a, Reduction::kSum, 3).error().message(),
            "axis 3 is out of bounds for an array of 3 dimensions");
  ValueArray none{shape_of({0}), {}, UnitRef()};
  EXPECT_EQ(reduce(none, Reduction::kMin, std::nullopt).error().message(), "min() of no values");
  EXPECT_EQ(reduce(none, Reduction::kSum, std::nullopt)->values[0], 0.0);
}

// Comparisons, element by element, as a quantity's comparison answers them;
// the same refusal where the units differ in dimension.
TEST(ArrayOperations, ComparisonsAreWhatQuantitiesGive) {
  std::vector<UnitCollection> units = unit_pool();
  std::mt19937 random(11);
  for (int step = 0; step < 3000; ++step) {
    auto [extents_a, extents_b] = broadcastable(random);
    ValueArray a = random_array(random, extents_a, units[random() % units.size()]);
    ValueArray b = random_array(random, extents_b, units[random() % units.size()]);
    auto op = static_cast<CompareOp>(random() % 6);
    Result<BooleanArray> result = compare(a, b, op);
    std::string operands = shape_text(a.shape) + " [" + as_string(*a.unit) + "] " +
                           std::to_string(static_cast<int>(op)) + " " + shape_text(b.shape) +
                           " [" + as_string(*b.unit) + "]";
    if (!result) {
      Result<bool> scalar = compare(Drovik{1.0, a.unit}, Drovik{1.0, b.unit}, op);
      ASSERT_FALSE(scalar) << operands;
      ASSERT_EQ(result.error().message(), scalar.error().message()) << operands;
      continue;
    }
    for (std::size_t i = 0; i < result->values.size(); ++i) {
      double x = a.values[source_index(a.shape, result->shape, i)];
      double y = b.values[source_index(b.shape, result->shape, i)];
      ASSERT_EQ(result->values[i], *compare(Drovik{x, a.unit}, Drovik{y, b.unit}, op) ? 1 : 0)
          << operands << ", element " << i << ": " << x << " and " << y;
    }
  }
}

TEST(ArrayOperations, PowersAndRoundingAreWhatQuantitiesGive) {
  std::vector<UnitCollection> units = unit_pool();
  std::mt19937 random(13);
  const double exponents[] = {2.0, -1.0, 0.5, 3.0, 0.0, 1.5};
  for (int step = 0; step < 500; ++step) {
    ValueArray a = random_array(random, {random() % 9}, units[random() % units.size()]);
    double k = exponents[random() % std::size(exponents)];
    auto digits = static_cast<std::int32_t>(random() % 7) - 2;
    ValueArray powers = power(a, k), rounded = round_digits(a, digits),
               whole = round_digits(a, std::nullopt), figures = round_sfig(a, digits + 3);
    for (std::size_t i = 0; i < a.values.size(); ++i) {
      Drovik q{a.values[i], a.unit};
      Drovik scalar_power = *power(q, Drovik{k, UnitRef()});
      ASSERT_TRUE(same_bits(powers.values[i], scalar_power.value)) << a.values[i] << "^" << k;
      ASSERT_TRUE(identical(*powers.unit, *scalar_power.unit)) << k;
      ASSERT_TRUE(same_bits(rounded.values[i], round_digits(q, digits).value)) << a.values[i];
      ASSERT_TRUE(same_bits(whole.values[i], round_digits(q, std::nullopt).value));
      ASSERT_TRUE(same_bits(figures.values[i], round_sfig(q, digits + 3).value)) << a.values[i];
    }
  }
}

// Basic indexing of a (2, 3, 4) array holding 0 to 23: the shape and the
// values numpy selects.
TEST(ArrayIndexing, SelectsAsNumpyDoes) {
  using Kind = IndexPiece::Kind;
  auto integer = [](std::ptrdiff_t i) { return IndexPiece{Kind::kInteger, i}; };
  auto slice = [](std::ptrdiff_t start, std::ptrdiff_t stop, std::ptrdiff_t step) {
    return IndexPiece{Kind::kSlice, start, stop, step};
  };
  const IndexPiece all = slice(0, PTRDIFF_MAX, 1), ellipsis{Kind::kEllipsis},
                   new_axis{Kind::kNewAxis};
  struct Case {
    std::vector<IndexPiece> index;
    std::string shape;  // or the error
    std::vector<double> values;
  };
  std::string ones_61;  // the most new axes a 3-D array takes
  for (int i = 0; i < 61; ++i) ones_61 += "1, ";
  const Case cases[] = {
      {{integer(1), integer(2), integer(3)}, "()", {23}},
      {{integer(-1), integer(0)}, "(4,)", {12, 13, 14, 15}},
      {{all, integer(1), slice(PTRDIFF_MAX, PTRDIFF_MIN, -2)}, "(2, 2)", {7, 5, 19, 17}},
      {{ellipsis, integer(2)}, "(2, 3)", {2, 6, 10, 14, 18, 22}},
      {{integer(0), new_axis, slice(1, 2, 1), ellipsis}, "(1, 1, 4)", {4, 5, 6, 7}},
      {{slice(5, 9, 1)}, "(0, 3, 4)", {}},
      {{}, "(2, 3, 4)", {}},
      {{integer(2)}, "index 2 is out of bounds for axis 0 with size 2", {}},
      {{integer(0), integer(-4)}, "index -4 is out of bounds for axis 1 with size 3", {}},
      {{all, all, all, integer(0)},
       "too many indices for array: array is 3-dimensional, but 4 were indexed", {}},
      {{ellipsis, ellipsis}, "an index can only have a single ellipsis ('...')", {}},
      // A step far past the axis selects one value, whatever it is times the stride.
      {{slice(0, PTRDIFF_MAX, std::ptrdiff_t{1} << 62)}, "(1, 3, 4)", {0, 1, 2, 3, 4, 5, 6, 7,
                                                                      8, 9, 10, 11}},
      {{slice(-1, PTRDIFF_MIN, PTRDIFF_MIN + 1), all, slice(-1, PTRDIFF_MIN, -(1LL << 62))},
       "(1, 3, 1)", {15, 19, 23}},
      {std::vector<IndexPiece>(61, new_axis), "(" + ones_61 + "2, 3, 4)", {}},
      {std::vector<IndexPiece>(62, new_axis),
       "number of dimensions must be within [0, 64], indexing result would have 65", {}},
      {std::vector<IndexPiece>(62, integer(0)),
       "too many indices for array: array is 3-dimensional, but 62 were indexed", {}},
      {std::vector<IndexPiece>(1000000, new_axis),
       "number of dimensions must be within [0, 64], indexing result would have 1000003", {}},
  };
  ValueArray a{shape_of({2, 3, 4}), {}, UnitRef(units_of("km"))};
  for (int i = 0; i < 24; ++i) a.values.push_back(i);
  for (const Case& c : cases) {
    Result<ViewLayout> layout = select(a, c.index);
    ASSERT_EQ(layout ? shape_text(layout->shape) : layout.error().message(), c.shape);
    if (!layout || c.values.empty()) continue;
    Values selected = gathered(layout->over(a));
    EXPECT_EQ(std::vector<double>(selected.begin(), selected.end()), c.values) << c.shape;
  }
}

// Reshapes see a view's values in place where each group of old axes that
// becomes a group of new ones steps as one axis (numpy's rule), and say so
// when only a copy can give the new shape; broadcasting repeats with stride 0.
TEST(ArrayLayout, ReshapesAndBroadcastsAreViewsWhereNumpysAre) {
  ValueArray a{shape_of({4, 6}), {}, UnitRef(units_of("km"))};
  for (int i = 0; i < 24; ++i) a.values.push_back(i);
  std::ptrdiff_t rows_apart[] = {48, 16};  // a[:, ::2], of shape (4, 3)
  ArrayShape every_other = shape_of({4, 3});
  ArrayView columns(a.values.data(), every_other, rows_apart, a.unit);
  std::ptrdiff_t swapped[] = {8, 48};  // a.T, of shape (6, 4)
  ArrayShape transposed_shape = shape_of({6, 4});
  ArrayView transposed(a.values.data(), transposed_shape, swapped, a.unit);
  struct Case {
    const ArrayView* view;
    std::vector<std::size_t> to;
    std::vector<std::ptrdiff_t> strides;  // empty: a copy is needed
  };
  const Case cases[] = {
      {&columns, {2, 2, 3}, {96, 48, 16}}, {&columns, {4, 3, 1}, {48, 16, 16}},
      {&columns, {12}, {16}},              {&transposed, {6, 2, 2}, {8, 96, 48}},
      {&transposed, {24}, {}},             {&transposed, {3, 8}, {}},
  };
  for (const Case& c : cases) {
    std::optional<ViewLayout> layout = reshaped(*c.view, shape_of(c.to));
    ASSERT_EQ(layout.has_value(), !c.strides.empty()) << shape_text(shape_of(c.to));
    if (!layout) continue;
    std::vector<std::ptrdiff_t> strides(layout->strides.data(),
                                        layout->strides.data() + layout->strides.size());
    EXPECT_EQ(strides, c.strides) << shape_text(shape_of(c.to));
    Values seen = gathered(layout->over(*c.view)), expected = gathered(*c.view);
    EXPECT_TRUE(std::equal(seen.begin(), seen.end(), expected.begin(), expected.end()));
  }
  Result<ViewLayout> repeated = broadcast_to(columns, shape_of({2, 4, 3}));
  ASSERT_TRUE(repeated);
  EXPECT_EQ(repeated->strides[0], 0);
  EXPECT_EQ(gathered(repeated->over(columns))[12], 0.0);
  EXPECT_FALSE(broadcast_to(columns, shape_of({4, 4})));
}

// Integer arrays along any axis and masks over the leading axes, with
// numpy's shapes and refusals.
TEST(ArrayIndexing, IndexArraysAndMasksSelectAsNumpyDoes) {
  ValueArray a{shape_of({2, 3, 4}), {}, UnitRef(units_of("km"))};
  for (int i = 0; i < 24; ++i) a.values.push_back(i);
  struct Take {
    std::size_t axis;
    std::vector<std::ptrdiff_t> indices;
    std::vector<std::size_t> index_extents;
    std::string shape;  // or the error
    std::vector<double> first_values;
  };
  const Take takes[] = {
      {0, {1, 0}, {2}, "(2, 3, 4)", {12, 13}},
      {1, {-1}, {1}, "(2, 1, 4)", {8, 9, 10, 11, 20}},
      {2, {3, 0, 3, 0}, {2, 2}, "(2, 3, 2, 2)", {3, 0, 3, 0, 7}},
      {2, {}, {0}, "(2, 3, 0)", {}},
      {1, {3}, {1}, "index 3 is out of bounds for axis 1 with size 3", {}},
      {0, {-3}, {1}, "index -3 is out of bounds for axis 0 with size 2", {}},
  };
  for (const Take& t : takes) {
    Result<ValueArray> taken = take(a, t.axis, t.indices, shape_of(t.index_extents));
    ASSERT_EQ(taken ? shape_text(taken->shape) : taken.error().message(), t.shape);
    for (std::size_t i = 0; taken && i < t.first_values.size(); ++i) {
      EXPECT_EQ(taken->values[i], t.first_values[i]) << t.shape << " " << i;
    }
  }
  std::vector<unsigned char> rows{0, 1}, cells(6, 0);
  cells[1] = cells[5] = 1;
  Result<ValueArray> second = masked(a, rows, shape_of({2}));
  ASSERT_TRUE(second);
  EXPECT_EQ(shape_text(second->shape), "(1, 3, 4)");
  EXPECT_EQ(second->values[0], 12);
  Result<ValueArray> two = masked(a, cells, shape_of({2, 3}));
  ASSERT_TRUE(two);
  EXPECT_EQ(shape_text(two->shape), "(2, 4)");
  EXPECT_EQ(std::vector<double>(two->values.begin(), two->values.end()),
            (std::vector<double>{4, 5, 6, 7, 20, 21, 22, 23}));
  EXPECT_EQ(masked(a, rows, shape_of({3})).error().message(),
            "boolean index did not match indexed array along axis 0; size of axis is 2 but size "
            "of corresponding boolean axis is 3");
}

}  // namespace
}  // namespace drovik

// Micro-benchmarks of the C++ core for the operations the Python benchmark
// times, so that the binding's share of each cost is visible.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "catalogue/prefix_table.h"
#include "catalogue/unit_table.h"
#include "quantity/construction.h"
#include "quantity/conversion.h"
#include "quantity/quantity_arithmetic.h"
#include "quantity/quantity_comparison.h"
#include "quantity/quantity_text.h"
#include "quantity/unit_coercible.h"
#include "unit/unit_parser.h"
#include "unit/unit_word_resolution.h"

namespace drovik {
namespace {

Drovik make(double value, const char* text) { return Drovik{value, *from_unit_name(text)}; }

void BM_ParseKmPerHour(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(from_unit_name("km/hr"));
}
BENCHMARK(BM_ParseKmPerHour);

void BM_ResolveWord(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(search_for_unit_name("km"));
}
BENCHMARK(BM_ResolveWord);

void BM_ResolveMissingWord(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(search_for_unit_name("km/hr"));
}
BENCHMARK(BM_ResolveMissingWord);

void BM_ConvertToString(benchmark::State& state) {
  Drovik kmh = make(1, "km/hr");
  for (auto _ : state)
    benchmark::DoNotOptimize(as_unit(kmh, *UnitCoercible::from_unit_text("m/s")));
}
BENCHMARK(BM_ConvertToString);

void BM_ConvertToQuantity(benchmark::State& state) {
  Drovik kmh = make(1, "km/hr");
  Drovik ms = make(1, "m/s");
  for (auto _ : state) benchmark::DoNotOptimize(as_unit_internal(kmh, ms.unit));
}
BENCHMARK(BM_ConvertToQuantity);

void BM_Add(benchmark::State& state) {
  Drovik km = make(1, "km"), m = make(500, "m");
  for (auto _ : state) benchmark::DoNotOptimize(add(km, m));
}
BENCHMARK(BM_Add);

void BM_Multiply(benchmark::State& state) {
  Drovik km = make(1, "km"), s = make(3, "s");
  for (auto _ : state) benchmark::DoNotOptimize(multiply(km, s));
}
BENCHMARK(BM_Multiply);

void BM_Divide(benchmark::State& state) {
  Drovik km = make(1, "km"), s = make(3, "s");
  for (auto _ : state) benchmark::DoNotOptimize(divide(km, s));
}
BENCHMARK(BM_Divide);

void BM_Square(benchmark::State& state) {
  Drovik km = make(1, "km"), two{2.0, {}};
  for (auto _ : state) benchmark::DoNotOptimize(power(km, two));
}
BENCHMARK(BM_Square);

// A new distinct unit every call: the memo and the shared table never hit.
void BM_PowerOfNewExponent(benchmark::State& state) {
  Drovik km = make(1, "km");
  double x = 1.0;
  for (auto _ : state) {
    x += 0.001;
    benchmark::DoNotOptimize(power(km, Drovik{x, {}}));
  }
}
BENCHMARK(BM_PowerOfNewExponent);

void BM_Compare(benchmark::State& state) {
  Drovik km = make(1, "km"), m = make(500, "m");
  for (auto _ : state) benchmark::DoNotOptimize(compare(km, m, CompareOp::Less));
}
BENCHMARK(BM_Compare);

void BM_Text(benchmark::State& state) {
  Drovik kmh = make(1, "km/hr");
  for (auto _ : state) benchmark::DoNotOptimize(to_text(kmh));
}
BENCHMARK(BM_Text);

void BM_CelsiusToFahrenheit(benchmark::State& state) {
  Drovik c = make(100,
                  "\xC2\xB0"
                  "C");
  for (auto _ : state)
    benchmark::DoNotOptimize(as_unit(c, *UnitCoercible::from_unit_text("\xC2\xB0"
                                                                       "F")));
}
BENCHMARK(BM_CelsiusToFahrenheit);

// Inputs whose cost must stay within n log n of their size.

// Every prefix on every unit symbol, "."-joined and cut to `size` bytes: a
// unit string of many distinct words, each of which adds an entry.
std::string distinct_words(std::size_t size) {
  std::string text;
  while (text.size() < size) {
    for (const UnitPrefix& prefix : kPrefixes) {
      for (const UnitDef& row : kUnitTable) {
        text.append(prefix.symbol).append(row.symbol).push_back('.');
      }
    }
  }
  text.resize(size);
  return text;
}

// The same length made of one word: the linear floor for the rows above.
std::string repeated_word(std::size_t size) {
  std::string text;
  while (text.size() < size) text.append("m.");
  text.resize(size);
  return text;
}

template <std::string (*Make)(std::size_t)>
void BM_Parse(benchmark::State& state) {
  std::string text = Make(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(from_unit_name(text));
  state.SetComplexityN(state.range(0));
}

void TextSizes(benchmark::internal::Benchmark* b) {
  b->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}
BENCHMARK_TEMPLATE(BM_Parse, distinct_words)->Apply(TextSizes)->Complexity(benchmark::oNLogN);
BENCHMARK_TEMPLATE(BM_Parse, repeated_word)->Apply(TextSizes)->Complexity(benchmark::oN);

// The text of a product of n distinct custom units.
void BM_TextOfCustomUnits(benchmark::State& state) {
  Drovik product{1.0, {}};
  for (std::int64_t k = 0; k < state.range(0); ++k) {
    std::string name = "u" + std::to_string((k * 7919) % state.range(0));
    product = multiply(product, custom(name, name, UnitCoercible::from_float(2.0)));
  }
  for (auto _ : state) benchmark::DoNotOptimize(to_text(product));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_TextOfCustomUnits)
    ->RangeMultiplier(2)
    ->Range(4096, 32768)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

// q = q * q with a unit that equals nothing (NaN scale): the entry count
// doubles each time. The argument is the final entry count.
void BM_SquareUnmergeableUnits(benchmark::State& state) {
  Drovik odd = custom("odd", "o", UnitCoercible::from_float(std::nan("")));
  Drovik half = odd;
  while (static_cast<std::int64_t>(half.unit->size()) * 2 < state.range(0)) {
    half = multiply(half, half);
  }
  for (auto _ : state) benchmark::DoNotOptimize(multiply(half, half));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SquareUnmergeableUnits)
    ->RangeMultiplier(4)
    ->Range(4096, 65536)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

}  // namespace
}  // namespace drovik

BENCHMARK_MAIN();

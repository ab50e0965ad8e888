// Micro-benchmarks of the C++ core for the operations the Python benchmark
// times, so that the binding's share of each cost is visible.
#include <benchmark/benchmark.h>

#include "quantity/quantity.h"
#include "quantity/quantity_arithmetic.h"
#include "quantity/quantity_comparison.h"
#include "quantity/quantity_text.h"
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
  for (auto _ : state) benchmark::DoNotOptimize(as_unit(kmh, *UnitCoercible::from_unit_text("m/s")));
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
  Drovik c = make(100, "\xC2\xB0" "C");
  for (auto _ : state) benchmark::DoNotOptimize(as_unit(c, *UnitCoercible::from_unit_text("\xC2\xB0" "F")));
}
BENCHMARK(BM_CelsiusToFahrenheit);

}  // namespace
}  // namespace drovik

BENCHMARK_MAIN();

// Writes docs/catalogue.md from the compiled-in tables, so that the document
// can never drift from what the library knows.
//
//   catalogue_doc             print the document
//   catalogue_doc --check F   exit 1 (with a hint) when F differs from it
#include <charconv>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

#include "catalogue/constant_table.h"
#include "catalogue/prefix_table.h"
#include "catalogue/unit_alias_table.h"
#include "catalogue/unit_table.h"
#include "unit/unit_arithmetic.h"
#include "unit/unit_text.h"

namespace {

using drovik::DimensionVector;

// The shortest text that reads back as the same double.
std::string number(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string cell(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += '\\';
    out += c;
  }
  return "`" + out + "`";
}

std::string dimensions(const DimensionVector& d) {
  std::string text = drovik::as_string(drovik::get_base_units(drovik::UnitCollection(d, 1.0)));
  return text == "[]" ? "dimensionless" : text.substr(1, text.size() - 2);
}

void table_row(std::ostream& out, std::initializer_list<std::string> cells) {
  out << "|";
  for (const std::string& text : cells) out << " " << text << " |";
  out << "\n";
}

template <class Aliases>
void alias_table(std::ostream& out, const char* title, const Aliases& aliases) {
  out << "\n## " << title << " (" << aliases.size() << ")\n\n| alias | stands for |\n|---|---|\n";
  for (const auto& alias : aliases) table_row(out, {cell(alias.alias), cell(alias.target)});
}

std::string document() {
  std::ostringstream out;
  out << "# The catalogue\n\n"
      << "Generated from the compiled-in tables by `tools/catalogue_doc.cc` (`./dev catalogue`);\n"
      << "do not edit by hand. A unit reading v stands for v x scale - offset in base units.\n"
      << "Lookups are exact and case-sensitive; a word is tried as a unit name or symbol, then as\n"
      << "an alias, then as a prefix (name or symbol) followed by a unit name or symbol.\n"
      << "See [the guide](guide.md) for the syntax and for the values that differ from SI and "
         "NIST.\n\n";
  out << "## Base units\n\n| dimension | name | symbol |\n|---|---|---|\n";
  for (const auto& row : drovik::kBaseUnits) {
    table_row(out, {dimensions(row.dimensions), cell(row.name), cell(row.symbol)});
  }
  out << "\n## Units (" << drovik::kUnitTable.size() << ")\n\n"
      << "| name | symbol | scale | offset | in base units |\n|---|---|---:|---:|---|\n";
  for (const auto& row : drovik::kUnitTable) {
    table_row(out, {cell(row.name), cell(row.symbol), number(row.scale), number(row.offset),
                    dimensions(row.dimensions)});
  }
  out << "\n## Prefixes (" << drovik::kPrefixes.size() << ", tried in this order)\n\n"
      << "| name | symbol | factor |\n|---|---|---:|\n";
  for (const auto& prefix : drovik::kPrefixes) {
    table_row(out, {cell(prefix.name), cell(prefix.symbol), number(prefix.factor)});
  }
  alias_table(out, "Unit aliases", drovik::kUnitAliases);
  out << "\n## Constants (" << drovik::kConstants.size() << ")\n\n"
      << "Use the name or an alias with `Drovik.constant`.\n\n"
      << "| name | value | unit |\n|---|---:|---|\n";
  for (const auto& constant : drovik::kConstants) {
    table_row(out, {cell(constant.name), number(constant.value), cell(constant.unit)});
  }
  alias_table(out, "Constant aliases", drovik::kConstantAliases);
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  std::string text = document();
  if (argc == 3 && std::string_view(argv[1]) == "--check") {
    std::ifstream file(argv[2], std::ios::binary);
    std::stringstream saved;
    saved << file.rdbuf();
    if (saved.str() == text) return 0;
    std::fprintf(stderr, "%s is out of date: run ./dev catalogue\n", argv[2]);
    return 1;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

#include "catalogue/constant_table.h"

namespace drovik {

const PhysicalConstant* search_for_constant_name(std::string_view text) {
  for (const ConstantAlias& alias : kConstantAliases) {
    if (alias.alias == text) {
      text = alias.target;
      break;
    }
  }
  for (const PhysicalConstant& constant : kConstants) {
    if (constant.name == text) return &constant;
  }
  return nullptr;
}

}  // namespace drovik

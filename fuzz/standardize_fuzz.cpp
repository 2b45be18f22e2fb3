// Composition and indication standardisation on arbitrary texts.
#include "analysis/standardize.h"
#include "common/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text = lindora::DecodeGbk({reinterpret_cast<const char*>(data), size});
  std::string a = text, b = text;
  std::string herbs = lindora::StandardIngredients(a);
  if (herbs != a) __builtin_trap();  // the argument is replaced by the result
  std::string symptoms = lindora::StandardSymptoms(b);
  if (symptoms != b) __builtin_trap();
  return 0;
}

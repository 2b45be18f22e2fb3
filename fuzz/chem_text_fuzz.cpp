// The converter's property line, the reference-address field and NPACT numbers, on arbitrary
// texts (input: property line NUL address field NUL number).
#include "chem/active_component.h"
#include "chem/open_babel.h"
#include "common/gbk.h"
#include "common/text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto p = lindora::fuzz::Pieces(data, size, 3);
  lindora::PropertyText props = lindora::BuildPropertyText(lindora::DecodeGbk(p[0]));
  if (!props.error.empty() && !props.text.empty()) __builtin_trap();
  for (const std::string& address : lindora::RefAddresses(lindora::DecodeGbk(p[1]))) {
    // Only web addresses may reach the browser; the check must agree with the scheme.
    bool web = lindora::IsWebAddress(address);
    std::string up = lindora::UpperCase(address);
    if (web && !lindora::StartsWith(up, "HTTP://") && !lindora::StartsWith(up, "HTTPS://"))
      __builtin_trap();
  }
  lindora::FormatNpactNumber(p[2]);
  return 0;
}

// The Newick reader on arbitrary text: a tree it accepts is rooted at node 0, every child index
// points forward into the list and every node but the root has exactly one parent.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stats/clustering.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto nodes = lindora::ParseNewick(text);
  if (!nodes) return 0;
  if (nodes->empty()) __builtin_trap();
  std::vector<int> parents(nodes->size(), 0);
  for (std::size_t v = 0; v < nodes->size(); ++v)
    for (const std::size_t child : (*nodes)[v].children) {
      if (child <= v || child >= nodes->size()) __builtin_trap();
      ++parents[child];
    }
  for (std::size_t v = 1; v < nodes->size(); ++v)
    if (parents[v] != 1) __builtin_trap();
  return 0;
}

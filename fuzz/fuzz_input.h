// Splits a fuzz input into texts at NUL bytes, so one input can drive several arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lindora::fuzz {

inline std::vector<std::string> Pieces(const std::uint8_t* data, std::size_t size,
                                       std::size_t count) {
  std::vector<std::string> pieces(count);
  std::size_t k = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && k + 1 < count) {
      ++k;
      continue;
    }
    pieces[k].push_back(static_cast<char>(data[i]));
  }
  return pieces;
}

}  // namespace lindora::fuzz

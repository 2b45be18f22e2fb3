#include "common/pictures.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "common/grid.h"
#include "common/text.h"

namespace lindora {
namespace {
PictureWriter* g_writer = nullptr;

// Well-separated hues that stay readable under black labels.
constexpr std::array<Rgb, 12> kPalette{{{31, 119, 180},
                                        {255, 127, 14},
                                        {44, 160, 44},
                                        {214, 39, 40},
                                        {148, 103, 189},
                                        {140, 86, 75},
                                        {227, 119, 194},
                                        {127, 127, 127},
                                        {188, 189, 34},
                                        {23, 190, 207},
                                        {174, 199, 232},
                                        {255, 187, 120}}};
}  // namespace

BarChart TopRowsChart(const Grid& grid, int name_col, int value_col, int top) {
  BarChart chart;
  chart.series.push_back({});
  for (int r = 1; r < grid.Rows() && static_cast<int>(chart.categories.size()) < top; ++r) {
    const std::string& name = grid.TextMatrix(r, name_col);
    if (name.empty()) continue;
    chart.categories.push_back(name);
    chart.series[0].values.push_back(Val(grid.TextMatrix(r, value_col)));
  }
  return chart;
}

BarChart TopItemsChart(const std::vector<std::string>& names,
                       const std::vector<std::int64_t>& counts, int top) {
  BarChart chart;
  chart.series.push_back({});
  for (std::size_t i = 0; i < names.size() && static_cast<int>(i) < top; ++i) {
    chart.categories.push_back(names[i]);
    chart.series[0].values.push_back(static_cast<double>(counts[i]));
  }
  return chart;
}

Rgb CommunityColor(int community) {
  if (community <= 0) return {160, 160, 160};
  const auto k = static_cast<std::size_t>(community - 1);
  if (k < kPalette.size()) return kPalette[k];
  // Beyond the palette: hues a golden angle apart at alternating lightness, so that no two
  // communities of one picture share a colour.
  const double hue = std::fmod(static_cast<double>(k) * 137.508, 360.0) / 60.0;
  const double light = k % 2 ? 0.45 : 0.65, chroma = 0.55;
  const double x = chroma * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(hue)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
  }
  const double m = light - chroma / 2;
  auto byte = [&](double v) { return static_cast<int>(std::lround((v + m) * 255)); };
  Rgb c{byte(r), byte(g), byte(b)};
  // Never the grey of unlinked herbs nor a palette colour.
  for (const Rgb& p : kPalette)
    if (p.r == c.r && p.g == c.g && p.b == c.b) c.b = (c.b + 7) % 256;
  return c;
}

std::string HexColor(Rgb c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r & 255, c.g & 255, c.b & 255);
  return buf;
}

PictureWriter* InstalledPictureWriter() {
  return g_writer;
}
void InstallPictureWriter(PictureWriter* writer) {
  g_writer = writer;
}

}  // namespace lindora

// Pictures as data: what a bar chart or a network drawing shows, and the one writer that turns
// them into PNG and SVG files. The core describes pictures; a Qt front end installs the writer,
// so the desktop program and the command-line tool draw with the same code.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace lindora {

class Grid;

struct BarSeries {
  std::string name;            // shown in the legend
  std::vector<double> values;  // one per category
};

struct BarChart {
  std::string title;
  // The data counted (the result set, as ResultSetCaption names it), under the title; "" = none.
  std::string source;
  std::string category_axis;  // title of the axis with the categories
  std::string value_axis;
  std::vector<std::string> categories;
  std::vector<BarSeries> series;  // one or more; several are drawn side by side
  // Bars along the value axis from the left, categories top-down: for many or long names.
  bool horizontal = false;
  // The value axis ends here when above 0 (100 for a percentage); else it follows the data.
  double value_max = 0;
};

// The first `top` data rows of a grid as a one-series chart: names from `name_col`, numbers
// (leading number of the text) from `value_col`.
BarChart TopRowsChart(const Grid& grid, int name_col, int value_col, int top);
// The same from parallel lists of names and counts.
BarChart TopItemsChart(const std::vector<std::string>& names,
                       const std::vector<std::int64_t>& counts, int top);

// Box plots side by side, one per category, on a common value axis.
struct BoxPlot {
  struct Box {
    std::string label;
    double low = 0, q1 = 0, median = 0, q3 = 0, high = 0;  // whisker ends and the box
    std::vector<double> outliers;                          // values beyond the whiskers
  };
  std::string title;
  std::string category_axis, value_axis;
  std::vector<Box> boxes;
};

// A radar (spider) chart: one axis per category around the circle, each series a closed line.
struct RadarChart {
  std::string title;
  std::vector<std::string> axes;
  std::vector<BarSeries> series;  // one value per axis
};

struct NetworkPicture {
  struct Node {
    std::string label;
    double size = 1;      // relative; the drawing scales the largest to a fixed radius
    int community = 0;    // 1-based; 0 = none
    double x = 0, y = 0;  // layout, any scale
  };
  struct Edge {
    std::size_t source = 0, target = 0;
    double weight = 1;  // relative width
  };
  std::string title;
  std::vector<Node> nodes;
  std::vector<Edge> edges;
  std::vector<std::string> legend;  // caption of community 1, 2, …
};

// A dendrogram drawn sideways: leaves top-down, merge heights growing to the right.
struct DendrogramPicture {
  std::string title;
  std::string axis;                 // caption of the height axis
  std::vector<std::string> labels;  // leaves top-down
  std::vector<int> groups;          // cluster of each leaf (1-based), for its colour
  // One bracket per merge: its two children at leaf positions (0 = first leaf; a merged
  // node sits midway between its children) and heights; `group` colours it (0 = above the cut).
  struct Link {
    double y1 = 0, h1 = 0, y2 = 0, h2 = 0, height = 0;
    int group = 0;
  };
  std::vector<Link> links;
  double cut = -1;  // height of the cut line; below 0: none
};

struct Rgb {
  int r = 0, g = 0, b = 0;
};
// The colour of a community (1-based), the same in every picture and exported file.
Rgb CommunityColor(int community);
std::string HexColor(Rgb c);  // "#rrggbb"

// Draws pictures into files, atomically; raises FileError when a file cannot be written.
class PictureWriter {
 public:
  virtual ~PictureWriter() = default;
  virtual void WriteBarChartPng(const BarChart& chart, const std::filesystem::path& path, int width,
                                int height) = 0;
  virtual void WriteRadarChartPng(const RadarChart& chart, const std::filesystem::path& path,
                                  int width, int height) = 0;
  virtual void WriteNetworkPng(const NetworkPicture& picture, const std::filesystem::path& path,
                               int width, int height) = 0;
  virtual void WriteBoxPlotPng(const BoxPlot& plot, const std::filesystem::path& path, int width,
                               int height) = 0;
  virtual void WriteNetworkSvg(const NetworkPicture& picture, const std::filesystem::path& path,
                               int width, int height) = 0;
  virtual void WriteDendrogramPng(const DendrogramPicture& picture,
                                  const std::filesystem::path& path, int width, int height) = 0;
  virtual void WriteDendrogramSvg(const DendrogramPicture& picture,
                                  const std::filesystem::path& path, int width, int height) = 0;
  virtual std::string DendrogramPng(const DendrogramPicture& picture, int width, int height) = 0;
  virtual std::string DendrogramSvg(const DendrogramPicture& picture, int width, int height) = 0;
  // The same pictures as PNG bytes, for documents that embed them.
  virtual std::string BarChartPng(const BarChart& chart, int width, int height) = 0;
  virtual std::string RadarChartPng(const RadarChart& chart, int width, int height) = 0;
  virtual std::string NetworkPng(const NetworkPicture& picture, int width, int height) = 0;
  virtual std::string NetworkSvg(const NetworkPicture& picture, int width, int height) = 0;
  virtual std::string BoxPlotPng(const BoxPlot& plot, int width, int height) = 0;
  // Pictures for print: from now on the PNG bytes have `scale` pixels per unit of their size
  // and say in their resolution that a unit prints as kPrintPointsPerUnit points (1: pixels
  // as on screen and in saved files).
  virtual void SetPrintScale(double /*scale*/) {}
  // Typesets an HTML page on A4 pages with page numbers, its pictures referenced by the names
  // of `pictures` (PNG bytes), as the bytes of a PDF with the fonts embedded (a set of files
  // publishes them together with the HTML).
  virtual std::string HtmlPdf(const std::string& html,
                              const std::map<std::string, std::string>& pictures,
                              const std::string& title) = 0;
};

// A unit of a picture's size printed in points: the smallest label (11 units) prints at 9 pt.
inline constexpr double kPrintPointsPerUnit = 0.82;

// The writer of this process, or null when it was built without pictures.
PictureWriter* InstalledPictureWriter();
void InstallPictureWriter(PictureWriter* writer);

}  // namespace lindora

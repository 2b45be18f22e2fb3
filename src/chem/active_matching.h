// Matching a herb's ingredients against a reference set of active natural products.
#pragma once

#include <string_view>
#include <vector>

namespace lindora {

class ChemAnalysis;

enum class ActivityKind { kAnticancer, kAntiinfluenza };

struct ActivityParameters {
  std::string_view activity_name;  // ActivityName
  std::string_view ref_set;        // relative path of the reference set
  std::string_view header;         // column names, split at blanks
  int columns;
  int fields_copied;
  int id_col;
  std::string_view closing;    // last words of the success message
  std::vector<double> widths;  // fraction of the grid width; 0 hides the column
};

const ActivityParameters& ParametersOf(ActivityKind kind);

// Fills the active-component window with the rows of the chemical grid found in the set.
// True when at least one compound was found.
bool FindActiveComponents(ChemAnalysis& chem, ActivityKind kind);

}  // namespace lindora

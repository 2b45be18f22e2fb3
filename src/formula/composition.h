// A composition text read as the herbs it names, each with its notes and its dose as written
// and as read. Used by the import of a user's prescriptions (which stores the composition in
// the shipped style) and by the dose analysis (which converts the doses to grams).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lindora {

// A dose as written and what could be read from it.
struct DoseReading {
  std::string text;          // as written ("3两", "10-15g", "如鸡子大"); empty when none
  bool readable = false;     // an amount and a unit were read
  double amount = 0;         // the amount; a range's midpoint
  double low = 0, high = 0;  // a range's ends; both equal `amount` when there is no range
  bool range = false;
  std::string unit;  // the unit as written ("两", "g", "克", "枚", "鸡子大")
  // A last part whose size only the conversion table knows: "1两1分" is 1两 and 1分, and 分 is
  // ¼两 in Han weights but 0.1钱 later. Empty `extra_unit`: none.
  double extra = 0;
  std::string extra_unit;
};

// One herb of a composition.
struct HerbMention {
  std::string name;                // as written, without notes and dose ("炙甘草", "桂枝")
  std::vector<std::string> notes;  // bracketed notes in order ("去皮"; "炮，去皮，破八片")
  DoseReading dose;
  bool shared_dose = false;   // the dose came from a following "各…" of its group
  bool dose_in_note = false;  // the dose was read from a note ("石膏（如鸡子大，碎）")
};

// Splits a composition into its herbs: items separated by 、，,;； blanks or line breaks,
// bracketed notes taken apart, doses read, "各" doses given to every herb before them in their
// group; empty items are skipped.
std::vector<HerbMention> ParseComposition(std::string_view composition);

// The items of a composition as ParseComposition splits it (separators outside brackets; a
// blank inside a dose joins). A herb's name depends on its item alone, so a caller that wants
// names only may parse each distinct item once.
std::vector<std::string> CompositionItems(std::string_view composition);

// Reads one dose text ("三两", "半斤", "一两半", "10～15克", "12枚"); a text without a readable
// amount and unit gives readable == false with the text kept.
DoseReading ReadDose(std::string_view text);

// One herb written back in the shipped style: name, each note in full-width brackets, the dose
// as written ("桂枝（去皮）3两"); a dose that came from a note is not written twice.
std::string FormatMention(const HerbMention& mention);

}  // namespace lindora

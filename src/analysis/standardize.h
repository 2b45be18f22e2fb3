// Clean-up of the free texts of a formula record: the composition becomes herb names joined by
// "、", the indications become symptom phrases joined by "，".
#pragma once

#include <filesystem>
#include <string>

namespace lindora {

class Session;
struct HerbListSource;

// The classic text clean-up, for the windows that show it: drops full-width bracketed comments,
// then doses, units, processing words and quotes. The argument is replaced by the result, which
// is also returned. Analyses count the herbs of HerbList instead.
std::string StandardIngredients(std::string& text);
// Cuts an indications text into symptom phrases. Same convention as StandardIngredients.
std::string StandardSymptoms(std::string& text);

// Counts of what StandardResult did, for callers that want to tell the user.
struct StandardResultReport {
  long written = 0;    // lines of the standardised file
  long blank = 0;      // blank lines skipped
  long too_short = 0;  // non-blank lines holding a name alone, skipped
};

// Writes the standardised copy of a result file: one line per usable record, field 1 the
// formula's herbs (HerbList, "、"-joined), field 2 the cleaned symptoms, a three-field record
// padded with an empty fourth field. The copy is written beside the target and renamed over it, so
// a failure (FileError) leaves the old copy intact; a missing result file raises before anything is
// written.
StandardResultReport StandardResultFile(const std::filesystem::path& result_file,
                                        const std::filesystem::path& stand_file,
                                        const HerbListSource& herbs);
// The same from the session's \Result\Result.DB to \Result\Result.DB.stand, with the herb
// lists of the session's open library.
StandardResultReport StandardResult(Session& session);

}  // namespace lindora

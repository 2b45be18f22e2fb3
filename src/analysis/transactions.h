// The transactions of a result set read from its files: the herbs of the standardised
// compositions, or the symptoms of the indications.
#pragma once

#include <filesystem>

#include "stats/transactions.h"

namespace lindora {

class Session;

// The herbs of every line of a standardised result file: field 1 split at "、", empty items
// dropped, a herb listed twice counted once. Every line is a transaction, also one whose
// composition is empty. Raises FileError when the file cannot be read.
Transactions ReadHerbTransactions(const std::filesystem::path& stand_file);

// The symptoms of every usable record of a result file (a name and a composition, as the
// standardisation keeps; no indications field means no symptoms): the indications cut by the
// symptom clean-up, split at "，".
Transactions ReadSymptomTransactions(const std::filesystem::path& result_file);

// Standardises the session's \Result\Result.DB afresh and reads the herbs of the copy.
Transactions HerbTransactionsOfResultSet(Session& session);

}  // namespace lindora

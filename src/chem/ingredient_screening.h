// Screening a herb's ingredients with the converter in batch: descriptors and drug-likeness rules
// for all of them from one run, and path fingerprints of the ingredients and of a reference set
// (one run each) compared by Tanimoto similarity. A run sends one SMILES file whose lines carry
// the compound identifier as their title, and every result line is paired back by that title.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chem/active_matching.h"

namespace lindora {

class Session;

inline constexpr std::string_view kScreeningFile = "\\Result\\成分筛选.csv";
inline constexpr std::string_view kSimilarActivesFile = "\\Result\\相似活性成分.csv";
// Scratch files of their own, so that a structure drawn meanwhile cannot disturb a batch.
inline constexpr std::string_view kBatchSmilesFile = "\\exe\\screening.smi";
inline constexpr std::string_view kBatchDescriptorFile = "\\exe\\screening_out.smi";
inline constexpr std::string_view kBatchFingerprintFile = "\\exe\\screening.fpt";
inline constexpr std::string_view kScreeningDescriptors = "MW logP HBD HBA1 TPSA rotors";
inline constexpr double kDefaultMinSimilarity = 0.7;

struct ScreeningCompound {
  std::string id, name, smiles, inchikey;
};

// The descriptor values as the converter prints them, in the order of kScreeningDescriptors.
struct DescriptorTexts {
  std::string mw, logp, hbd, hba, tpsa, rotors;
};

struct DescriptorValues {
  double mw = 0, logp = 0, hbd = 0, hba = 0, tpsa = 0, rotors = 0;
};

struct RuleVerdict {
  int lipinski_violations = 0;
  bool lipinski = false;  // at most one violation of MW ≤ 500, logP ≤ 5, HBD ≤ 5, HBA ≤ 10
  bool veber = false;     // rotatable bonds ≤ 10 and TPSA ≤ 140
};
RuleVerdict ApplyRules(const DescriptorValues& v);

struct ScreeningResult {
  ScreeningCompound compound;
  std::optional<DescriptorTexts> texts;  // empty when the converter gave no values
  RuleVerdict verdict;                   // meaningful only with texts
  std::string note;                      // why the values are missing
  bool Passes() const { return texts && verdict.lipinski && verdict.veber; }
};

// One entry of a batch: the title written after the SMILES, or why it is not sent.
struct BatchEntry {
  std::string title, smiles;
  std::string not_sent;  // non-empty: the reason, and the entry stays out of the input file
};

// For each entry, the index of the output record with its title, pairing in order: records
// come in input order, an entry whose record is missing was skipped by the converter. Raises
// ConverterError when a record names no remaining entry or when the closing sentinel record
// is missing (the converter stopped reading early).
std::vector<std::optional<std::size_t>> PairByTitle(const std::vector<BatchEntry>& entries,
                                                    const std::vector<std::string>& titles);

// The argument lists of the two batch runs. Both continue past a SMILES they cannot parse.
// With `strip_salts` the converter keeps only the largest connected fragment of each molecule.
std::vector<std::string> BatchDescriptorArgs(const std::filesystem::path& smiles_file,
                                             const std::filesystem::path& output,
                                             bool strip_salts = false);
std::vector<std::string> BatchFingerprintArgs(const std::filesystem::path& smiles_file,
                                              const std::filesystem::path& output);

// Descriptors and rule verdicts of every compound, from one converter run. A molecule the
// converter cannot finish in time or dies on is found (alone, or by halves) and only it is
// left without values, with a note naming why. Raises ConverterError or FileError when the
// converter fails as a whole.
std::vector<ScreeningResult> ScreenCompounds(Session& session,
                                             const std::vector<ScreeningCompound>& compounds,
                                             bool strip_salts = false);

using Fingerprint = std::vector<std::uint32_t>;
// |a ∧ b| / |a ∨ b|; 0 when both are empty or their sizes differ.
double Tanimoto(const Fingerprint& a, const Fingerprint& b);

// Path fingerprints of the SMILES from one converter run; nullopt for a SMILES it could not
// parse, that was not sent, or that the converter could not finish in time (each molecule of a
// batch that ran out of time is then tried alone). When the run fails but the converter works,
// the input is run in halves until the SMILES that make it fail are found; they get nullopt.
std::vector<std::optional<Fingerprint>> FingerprintsOf(Session& session,
                                                       std::vector<BatchEntry> entries);

struct ReferenceCompound {
  std::string name, smiles, inchikey;
};
// The compounds of a reference set with a name as the set gives it.
std::vector<ReferenceCompound> ReadReferenceSet(const std::filesystem::path& file,
                                                ActivityKind kind);

struct SimilarActive {
  ScreeningCompound compound;
  std::string reference;  // name of the most similar reference compound
  double similarity = 0;
};
// For each compound the most similar reference compound (the first of equals); an identical
// InChIKey counts as similarity 1. Those at or above `min_similarity`, by similarity descending,
// then by identifier. Two converter runs (more when a line makes the converter fail: that line
// is left out). `unusable` receives the number of references with neither a fingerprint nor
// an InChIKey, which take no part.
std::vector<SimilarActive> FindSimilarActives(Session& session,
                                              const std::vector<ScreeningCompound>& compounds,
                                              const std::vector<ReferenceCompound>& refs,
                                              double min_similarity,
                                              std::size_t* unusable = nullptr);

// A similarity threshold typed by the user: a number from 0 to 1, nothing else around it.
std::optional<double> ParseSimilarityThreshold(std::string_view text);

// How the numbers were obtained, for the file and the window, so that a reader can cite it:
// the converter's version as it reports it (empty: not known) and whether salts were stripped.
std::string ScreeningMethod(bool strip_salts, std::string_view version);

// The CSV rows (header first) of the two result files.
std::vector<std::vector<std::string>> ScreeningCsvRows(const std::vector<ScreeningResult>& rows);
std::vector<std::vector<std::string>> SimilarActivesCsvRows(const std::vector<SimilarActive>& rows);

}  // namespace lindora

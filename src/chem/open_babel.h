// The bridge to Open Babel's command-line converter: structure pictures and molecular
// properties pass through scratch files in the exe folder. A failed run is reported, never
// shown as the result of an earlier run: its output file is removed before every run.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

class Session;

inline constexpr std::string_view kPictureSmilesFile = "\\exe\\temp.smiles";
inline constexpr std::string_view kPropertySmilesFile = "\\exe\\temp1.smi";
inline constexpr std::string_view kPictureFile = "\\exe\\temp.png";
inline constexpr std::string_view kConverterFile = "\\exe\\babel\\obabel";

inline constexpr std::string_view kDescriptorList = " MW formula InChI InChIKey HBA1 HBD logp TPSA";
inline constexpr std::string_view kPropertyLabels =
    "SMILES,Molecular Weight,Formula,InChI,InChIKey,HBA,HBD,logP,TPSA";
inline constexpr std::string_view kPropertiesSent = "These properties have been sent to clipboard";
// Said when a structure picture cannot be read (missing, or not a picture); the path follows.
inline constexpr std::string_view kPictureError =
    "无法读取结构图片（文件不存在或不是可读的图片）：";

struct PngSize {
  int width = 0;
  int height = 0;
};

// The converter beside the program, else obabel on PATH.
std::optional<std::filesystem::path> ConverterProgram(const Session& session);
// What the converter says of its version ("Open Babel 3.1.1"); empty when it says nothing.
std::string ConverterVersion(const Session& session);

// Argument lists: a SMILES file drawn into a PNG (at `size` when given, else the converter's own
// size), and a SMILES file written out again with the descriptor values appended.
std::vector<std::string> PictureArgs(const std::filesystem::path& smiles_file,
                                     const std::filesystem::path& picture, PngSize size = {});
std::vector<std::string> PropertyArgs(const std::filesystem::path& smiles_file,
                                      const std::filesystem::path& output);

// Removes `output`, runs the converter and checks that it wrote a non-empty `output`.
// Returns the empty text on success, else what the user is told.
std::string RunConverter(Session& session, const std::vector<std::string>& args,
                         const std::filesystem::path& output);
// The same, telling a run that ran out of time apart from other failures.
struct ConverterRun {
  std::string error;  // empty: done
  bool timed_out = false;
};
ConverterRun RunConverterTimed(Session& session, const std::vector<std::string>& args,
                               const std::filesystem::path& output);

// Writes the SMILES as the only line of the picture scratch file and draws it into `picture`
// (at `size` when given). Returns the empty text on success, else the message.
std::string SmilesToPicture(Session& session, std::string_view smiles,
                            const std::filesystem::path& picture, PngSize size = {});

struct PropertyText {
  std::string text;   // "label:\tvalue\r\n" per piece
  std::string error;  // set when the line cannot be labelled
};
// Labels the pieces of a converter output line (split at TAB and blank).
PropertyText BuildPropertyText(std::string_view line);

// Computes the properties of the first SMILES of `smiles_file`, shows them and puts them on the
// clipboard. False (after a message) when they could not be computed.
bool ComputeProperties(Session& session, const std::filesystem::path& smiles_file);
// The properties of one compound: its SMILES goes to the property scratch file first.
bool PropertiesOfSmiles(Session& session, std::string_view smiles);

// The size of a PNG file from its header; nullopt when the file is missing or no PNG.
std::optional<PngSize> ReadPngSize(const std::filesystem::path& file);

// What a picture box shows: a PNG file at its own size. `serial` changes with every picture,
// so a view knows when to load the file again. `box` is the picture box's size in pixels: the
// converter draws at that size, so the whole structure is visible.
struct StructurePicture {
  std::filesystem::path file;
  PngSize size;
  int serial = 0;
  PngSize box = {};
};

// Pixels of a size in twips (15 to the pixel), rounded as the views round.
constexpr int PixelsOfTwips(int twips) {
  return (twips + 7) / 15;
}

// Draws the SMILES with the converter into the picture scratch file and puts it into `picture`.
// On failure `picture` keeps what it showed and the user gets one message.
bool ShowStructure(Session& session, std::string_view smiles, StructurePicture& picture);

}  // namespace lindora

#include "chem/open_babel.h"

#include <fstream>

#include "common/files.h"
#include "common/gbk.h"
#include "common/process.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {

namespace fs = std::filesystem;

std::optional<fs::path> ConverterProgram(const Session& session) {
  return FindExecutable(session.Path(kConverterFile), "obabel");
}

std::string ConverterVersion(const Session& session) {
  auto program = ConverterProgram(session);
  if (!program) return {};
  ProcessOutput run = RunProcess(*program, {"-V"}, std::chrono::seconds(20));
  if (!run.result.ok()) return {};
  // "Open Babel 3.1.1 -- Jan  4 2023 -- 09:58:24": the name and number, not the build date.
  std::string line = Trim(run.out.substr(0, run.out.find('\n')));
  if (!line.starts_with("Open Babel")) return {};
  return Trim(line.substr(0, line.find(" --")));
}

std::vector<std::string> PictureArgs(const fs::path& smiles_file, const fs::path& picture,
                                     PngSize size) {
  std::vector<std::string> args = {smiles_file.string(), "-O", picture.string()};
  if (size.width > 0 && size.height > 0) {
    args.insert(args.end(),
                {"-xw", std::to_string(size.width), "-xh", std::to_string(size.height)});
  }
  return args;
}

std::vector<std::string> PropertyArgs(const fs::path& smiles_file, const fs::path& output) {
  return {smiles_file.string(), "-O", output.string(), "--append", std::string(kDescriptorList)};
}

std::string RunConverter(Session& session, const std::vector<std::string>& args,
                         const fs::path& output) {
  return RunConverterTimed(session, args, output).error;
}

ConverterRun RunConverterTimed(Session& session, const std::vector<std::string>& args,
                               const fs::path& output) {
  auto program = ConverterProgram(session);
  if (!program) {
    return {"找不到转换程序 obabel：" + session.Path(kConverterFile).string() +
            " 不存在，PATH 中也没有。请安装 Open Babel（Debian 软件包 openbabel）。"};
  }
  std::error_code ec;
  fs::remove(output, ec);
  if (fs::exists(output, ec)) return {"无法删除上一次的结果文件 " + output.string()};
  ConverterResult result = session.converter().Run(*program, args);
  if (!result.ok()) {
    return {result.message.empty() ? "转换程序 " + program->string() + " 运行失败" : result.message,
            result.status == ConverterResult::Status::kTimedOut};
  }
  if (!fs::is_regular_file(output, ec) || fs::file_size(output, ec) == 0 || ec)
    return {"转换程序没有生成结果文件 " + output.string()};
  return {};
}

std::string SmilesToPicture(Session& session, std::string_view smiles, const fs::path& picture,
                            PngSize size) {
  fs::path input = session.Path(kPictureSmilesFile);
  WriteTextFile(smiles, input);
  std::string error = RunConverter(session, PictureArgs(input, picture, size), picture);
  if (!error.empty()) error += "\r\n无法画出结构：" + std::string(smiles);
  return error;
}

PropertyText BuildPropertyText(std::string_view line) {
  std::string spaced = ReplaceAll(ReplaceAll(line, "\t", "\r\n"), " ", "\r\n");
  std::vector<std::string> pieces = Split(spaced, "\r\n");
  std::vector<std::string> labels = Split(kPropertyLabels, ",");
  PropertyText result;
  if (pieces.size() > labels.size()) {
    result.error = "转换程序给出了 " + std::to_string(pieces.size()) + " 项结果，多于 " +
                   std::to_string(labels.size()) + " 个性质标签，无法对应：\r\n" +
                   std::string(line);
    return result;
  }
  for (std::size_t i = 0; i < pieces.size(); ++i)
    result.text += labels[i] + ":\t" + pieces[i] + "\r\n";
  return result;
}

bool ComputeProperties(Session& session, const fs::path& smiles_file) {
  fs::path output = session.Path(kPictureSmilesFile);
  std::string error = RunConverter(session, PropertyArgs(smiles_file, output), output);
  if (!error.empty()) {
    session.ReportFailure(error + "\r\n无法计算理化性质。");
    return false;
  }
  std::string first;
  {
    LineReader reader(output);
    std::string raw;
    if (reader.Next(raw)) first = DecodeGbk(raw);
  }
  if (Trim(first).empty()) {
    session.ReportFailure("转换程序的结果文件 " + output.string() +
                          " 第一行为空，无法计算理化性质。");
    return false;
  }
  PropertyText properties = BuildPropertyText(first);
  if (!properties.error.empty()) {
    session.ReportFailure(properties.error);
    return false;
  }
  session.Message(properties.text + "\r\n" + std::string(kPropertiesSent));
  session.clipboard().Clear();
  session.clipboard().SetText(properties.text);
  return true;
}

bool PropertiesOfSmiles(Session& session, std::string_view smiles) {
  fs::path input = session.Path(kPropertySmilesFile);
  WriteTextFile(smiles, input);
  return ComputeProperties(session, input);
}

std::optional<PngSize> ReadPngSize(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char head[24];
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (int i = 0; i < 8; ++i)
    if (head[i] != kSignature[i]) return std::nullopt;
  if (std::string_view(reinterpret_cast<const char*>(head + 12), 4) != "IHDR") return std::nullopt;
  auto be32 = [&](int at) {
    return (static_cast<unsigned long>(head[at]) << 24) | (head[at + 1] << 16) |
           (head[at + 2] << 8) | head[at + 3];
  };
  unsigned long w = be32(16), h = be32(20);
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return std::nullopt;
  return PngSize{static_cast<int>(w), static_cast<int>(h)};
}

bool ShowStructure(Session& session, std::string_view smiles, StructurePicture& picture) {
  fs::path file = session.Path(kPictureFile);
  std::string error;
  try {
    error = SmilesToPicture(session, smiles, file, picture.box);
  } catch (const FileError& e) {
    // A scratch file that cannot be written costs the picture only; the caller still shows its
    // list and its count.
    error = std::string(e.what()) + "\r\n无法画出结构：" + std::string(smiles);
  }
  if (!error.empty()) {
    session.ReportFailure(error);
    return false;
  }
  auto size = ReadPngSize(file);
  if (!size) {
    session.ReportFailure(std::string(kPictureError) + file.string());
    return false;
  }
  picture.file = file;
  picture.size = *size;
  ++picture.serial;
  return true;
}

}  // namespace lindora

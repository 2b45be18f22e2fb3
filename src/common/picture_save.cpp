#include "common/picture_save.h"

#include <algorithm>

#include "common/ports.h"
#include "common/safe_write.h"
#include "common/session.h"

namespace lindora {

std::string PictureSuffix(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

std::string PictureFileProblem(const Session& session, const std::filesystem::path& path,
                               std::initializer_list<std::string_view> suffixes) {
  const std::string ext = PictureSuffix(path);
  std::string names;
  bool known = false;
  for (std::string_view s : suffixes) {
    known = known || ext == s;
    names += (names.empty() ? "" : " 或 ") + std::string(s);
  }
  if (!known) return "图片文件名须以 " + names + " 结尾：" + path.string();
  return CheckUserOutputs(session.ProgramFolder(), {path});
}

Outcome AskAndSavePicture(Session& session, std::string_view title, std::string_view name,
                          std::string_view suffix, std::string_view filter,
                          const std::function<Outcome(const std::filesystem::path&)>& save) {
  std::filesystem::path path(session.dialogs().AskSaveFile(
      title, session.Path("\\Result\\" + std::string(name) + std::string(suffix)).string(),
      filter));
  if (path.empty()) return Outcome::kDone;  // cancelled
  if (!path.has_extension()) path += std::string(suffix);
  return save(path);
}

}  // namespace lindora

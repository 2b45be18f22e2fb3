#include "common/window_model.h"

#include "common/outcome.h"
#include "common/picture_save.h"
#include "common/pictures.h"
#include "common/session.h"

namespace lindora {

void WindowModel::SetCaption(std::string_view caption) {
  caption_.assign(caption);
  Changed();
}

void WindowModel::Show() {
  visible_ = true;
  state_ = WindowState::kNormal;
  session_.NotifyShown(*this);
  Changed();
}

void WindowModel::Hide() {
  visible_ = false;
  Changed();
}

void WindowModel::SetState(WindowState state) {
  state_ = state;
  Changed();
}

Outcome WindowModel::WritePicture(
    const std::filesystem::path& path, std::initializer_list<std::string_view> suffixes,
    const std::function<void(PictureWriter&, const std::string&)>& draw) {
  PictureWriter* writer = InstalledPictureWriter();
  if (!writer) return Refuse(session_, "本程序未带绘图功能，无法保存图片。");
  if (std::string problem = PictureFileProblem(session_, path, suffixes); !problem.empty())
    return Refuse(session_, problem);
  const std::string suffix = PictureSuffix(path);
  return Guard(session_, [&] { draw(*writer, suffix); });
}

}  // namespace lindora

#include "common/chart_window.h"

#include <string>

#include "common/files.h"
#include "common/picture_save.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/table_export.h"

namespace lindora {

ChartWindowModel::ChartWindowModel(Session& session, BarChart chart)
    : WindowModel(session), chart_(std::move(chart)) {
  SetCaption(chart_.source.empty() ? chart_.title : chart_.title + " - " + chart_.source);
}

const std::vector<MenuEntry>& ChartWindowModel::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      {"Menu_File", "文件(&F)", "", true},
      {"Menu_SavePng", "保存为PNG图片(&S)…", "Menu_File", true, true,
       On(&ChartWindowModel::Menu_SavePng_Click)},
      {"Menu_ExportExcel", kExportExcelCaption, "Menu_File", true, true,
       On(&ChartWindowModel::Menu_ExportExcel_Click)},
  };
  return menus;
}

Outcome ChartWindowModel::Menu_SavePng_Click() {
  return AskAndSavePicture(session_, "保存图片", chart_.title, ".png", "PNG (*.png)",
                           [this](const std::filesystem::path& path) { return SavePng(path); });
}

Outcome ChartWindowModel::Menu_ExportExcel_Click() {
  return ExportWorkbook(session_, chart_.title, {SheetOfChart(chart_, chart_.title)});
}

Outcome ChartWindowModel::SavePng(const std::filesystem::path& path) {
  return WritePicture(path, {".png"}, [&](PictureWriter& writer, const std::string&) {
    writer.WriteBarChartPng(chart_, path, kPictureWidth, kPictureHeight);
  });
}

}  // namespace lindora

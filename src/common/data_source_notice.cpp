#include "common/data_source_notice.h"

#include <array>
#include <string_view>

namespace lindora {

namespace {

constexpr std::array<std::string_view, 7> kNoticeLines = {
    "软件中用到的数据来源说明：",
    "1. 抗流感天然产物数据库，是本软件开发者根据公开发表的开放获取文献整理的，每条记录注明"
    "参考文献及网址，化学结构取自TM-MC 2.0，仍在完善中，活性数据仅供科研参考。",
    "2. 方剂库，取自《伤寒论》（宋本）条文语料库Tao-Shanghan-Corpus v1.0"
    "（doi:10.5281/zenodo.21889089），许可协议CC BY 4.0，经繁简转换和剂量格式整理。",
    "3. 中药化学组分数据库，取自TM-MC 2.0（Kim et al. BMC Complement Med Ther. 2023, "
    "doi:10.1186/s12906-023-04331-y），所据副本未声明许可，按CC BY-NC注明出处，仅供科研使用。",
    "4. 天然产物抗癌成分数据库，是本软件开发者从公开发表的文献中收集的，每条记录注明参考文献，"
    "化学结构取自TM-MC 2.0，不含NPACT数据库编号。",
    "5. 中药名称和拼音，取自TCMSP中药系统药理学数据库（Ru et al. J Cheminform. 2014, 6:13）"
    "和TM-MC 2.0，来源未给的拼音由明月拼音词典（Rime Luna Pinyin，LGPL-3）推出；中药类型按"
    "《中药学》（高学敏主编，中国中医药出版社，2002）的分类整理，方中古药名和两库未收的矿物、"
    "动物药按该教材和《中华人民共和国药典》2020年版补录。",
    "6. 中药的性味归经和毒性，按《中华人民共和国药典》2020年版一部“性味与归经”项整理，药典"
    "不收的药按《中药学》（高学敏主编，2002），每味药注明出处；两书都未能确认的药不给数据。",
};

std::string JoinNotice() {
  std::string text;
  for (std::size_t i = 0; i < kNoticeLines.size(); ++i) {
    if (i != 0) text += "\r\n";
    text += kNoticeLines[i];
  }
  return text;
}

}  // namespace

const std::string& DataSourceNoticeCaption() {
  static const std::string caption = "数据说明";
  return caption;
}

const std::string& DataSourceNoticeText() {
  static const std::string text = JoinNotice();
  return text;
}

}  // namespace lindora

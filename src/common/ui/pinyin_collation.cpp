#include "common/ui/pinyin_collation.h"

#include <QCollator>
#include <QLocale>
#include <memory>

#include "common/collation.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {

void InstallPinyinCollation() {
  auto collator = std::make_shared<QCollator>(QLocale(QLocale::Chinese, QLocale::China));
  collator->setNumericMode(true);
  InstallTextComparator(
      [collator](std::string_view a, std::string_view b) { return collator->compare(Q(a), Q(b)); });
}

}  // namespace lindora::ui

#include "formula/ui/library_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>
#include <exception>
#include <optional>

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formula/fangji_analysis.h"
#include "formula/formula_import.h"
#include "formula/keyword_query.h"
#include "formula/library.h"

namespace lindora::ui {
namespace {

constexpr int kPreviewRows = 20;
const QString kKeepName = QStringLiteral("（保留原名）");
const QString kNewHerb = QStringLiteral("（新药）");

std::string S(const QString& text) {
  return text.toStdString();
}

// Runs an import off the window's thread behind a progress dialog: 取消 stops it at the next
// row (the file is read first, whole) and the libraries stay as they were. The dialog is modal
// to the whole program, so nothing else uses the session meanwhile.
ImportResult ImportWithProgress(QWidget* parent, Session& session,
                                const std::filesystem::path& file, ImportOptions options) {
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  std::optional<ImportResult> result;
  std::exception_ptr error;
  QProgressDialog progress(QStringLiteral("正在导入处方，请稍候……"), QStringLiteral("取消"), 0, 0,
                           parent);
  progress.setObjectName("ImportProgress");
  progress.setWindowTitle(QStringLiteral("导入处方"));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setMinimumDuration(0);
  QThread* worker = QThread::create([&] {
    try {
      result = RunImport(session, file, options);
    } catch (...) {
      error = std::current_exception();
    }
  });
  QEventLoop loop;
  QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
  QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] {
    cancel = true;
    progress.setLabelText(QStringLiteral("正在取消……"));
    progress.show();  // stays until the import has stopped
  });
  worker->start();
  progress.show();
  loop.exec();
  worker->wait();
  delete worker;
  if (error) std::rethrow_exception(error);
  return std::move(*result);
}

// The names that did not resolve, each with a choice: a suggestion, a typed standard name, a
// new herb, or left as written. Saving adds the choices to the name table and imports again.
class ReviewWindow : public QDialog {
 public:
  ReviewWindow(QWidget* parent, Session& session, ImportOptions options, std::filesystem::path file,
               ImportResult result, std::function<void()> changed)
      : QDialog(parent),
        session_(session),
        options_(std::move(options)),
        file_(std::move(file)),
        changed_(std::move(changed)) {
    setObjectName("Frm_NameReview");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("核对药名"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName("Label_Summary");
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    table_ = new QTableWidget(this);
    table_->setObjectName("Grid_Unresolved");
    table_->setColumnCount(4);
    table_->setHorizontalHeaderLabels({QStringLiteral("写法"), QStringLiteral("次数"),
                                       QStringLiteral("例方"), QStringLiteral("决定")});
    table_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    table_->verticalHeader()->setVisible(false);
    layout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral("保存决定并重新导入"), this);
    save->setObjectName("Cmd_SaveDecisions");
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, [this] { Save(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(760, 520);
    Fill(result);
  }

 private:
  void Fill(const ImportResult& result) {
    summary_->setText(
        QStringLiteral("方剂库“%1”：导入 %2 首，拒收 %3 行；药名 %4 处，自动识别 %5 处，"
                       "按您的决定识别 %6 处。下表 %7 个名字没有识别（%8 个有建议，括号里是"
                       "依据、药的类别和毒性）。每个名字可选一个建议、直接输入药名库中的药名、"
                       "标为新药，或保留原名。")
            .arg(Q(result.library))
            .arg(result.imported)
            .arg(result.refused_count)
            .arg(result.mentions)
            .arg(result.resolved)
            .arg(result.decided)
            .arg(result.unresolved.size())
            .arg(result.unresolved_with_suggestion));
    table_->setRowCount(static_cast<int>(result.unresolved.size()));
    int row = 0;
    for (const auto& u : result.unresolved) {
      table_->setItem(row, 0, new QTableWidgetItem(Q(u.name)));
      table_->setItem(row, 1, new QTableWidgetItem(QString::number(u.count)));
      table_->setItem(row, 2, new QTableWidgetItem(Q(u.example)));
      // Nothing is chosen for the user: a suggestion is only a suggestion.
      auto* choice = new QComboBox(table_);
      choice->setEditable(true);
      choice->addItem(kKeepName);
      for (const auto& s : u.suggestions) choice->addItem(Q(DescribeSuggestion(s)), Q(s.name));
      choice->addItem(kNewHerb);
      table_->setCellWidget(row, 3, choice);
      ++row;
    }
    table_->resizeColumnsToContents();
  }

  void Save() {
    // A typed name must be a herb the dictionary knows; anything else is a new herb only when
    // the user says so.
    NameDictionary dictionary;
    try {
      dictionary = NameDictionary::Load(session_.ProgramFolder());
    } catch (const std::exception& e) {
      session_.Message(e.what());
      return;
    }
    std::vector<NameEntry> decisions;
    std::vector<std::string> unknown;
    for (int row = 0; row < table_->rowCount(); ++row) {
      const std::string written = S(table_->item(row, 0)->text());
      auto* choice = static_cast<QComboBox*>(table_->cellWidget(row, 3));
      const QString text = choice->currentText().trimmed();
      if (text.isEmpty() || text == kKeepName) continue;
      const std::string origin(kDecisionOrigin);
      if (text == kNewHerb) {
        decisions.push_back({written, written, "新药", origin});
        continue;
      }
      // A suggestion carries its name; a typed text is the name itself.
      const int index = choice->findText(text);
      const QString name = index >= 0 && choice->itemData(index).isValid()
                               ? choice->itemData(index).toString()
                               : text;
      const std::string target = dictionary.DecisionTarget(S(name));
      if (target.empty())
        unknown.push_back(S(name));
      else
        decisions.push_back({written, target, "用户", origin});
    }
    if (!unknown.empty()) {
      session_.Message("“" + Join(unknown, "”“") +
                       "”不是药名库或药名对照表中的药名，决定没有保存。请输入已知的药名，"
                       "或选“（新药）”把原来的写法作为新药。");
      return;
    }
    try {
      if (!decisions.empty())
        NameDictionary::AppendDecisions(session_.Path(kNameTablePath), decisions);
      options_.replace = true;
      Fill(ImportWithProgress(this, session_, file_, options_));
      if (changed_) changed_();
    } catch (const std::exception& e) {
      session_.Message(e.what());
    }
  }

  Session& session_;
  ImportOptions options_;
  std::filesystem::path file_;
  std::function<void()> changed_;
  QLabel* summary_ = nullptr;
  QTableWidget* table_ = nullptr;
};

class ImportDialog : public QDialog {
 public:
  ImportDialog(QWidget* parent, Session& session, std::function<void()> changed)
      : QDialog(parent), session_(session), changed_(std::move(changed)) {
    setObjectName("Frm_ImportFormulas");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("导入处方"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    file_ = new QLineEdit(this);
    file_->setObjectName("Text_File");
    file_->setPlaceholderText(QStringLiteral("选择 .xlsx、.csv 或 .txt 文件"));
    auto* browse = new QPushButton(QStringLiteral("浏览…"), this);
    browse->setObjectName("Cmd_Browse");
    library_ = new QLineEdit(this);
    library_->setObjectName("Text_Library");
    sheet_ = new QComboBox(this);
    sheet_->setObjectName("Combo_Sheet");
    header_ = new QCheckBox(QStringLiteral("首行是标题"), this);
    name_ = new QComboBox(this);
    name_->setObjectName("Combo_Name");
    composition_ = new QLineEdit(this);
    composition_->setObjectName("Text_Composition");
    composition_->setToolTip(QStringLiteral("组成所在的列；一味药一列时写几列，例如 C,D,E"));
    indications_ = new QComboBox(this);
    indications_->setObjectName("Combo_Indications");
    source_ = new QComboBox(this);
    diagnosis_ = new QComboBox(this);
    simplify_ = new QCheckBox(QStringLiteral("繁体转为简体"), this);
    simplify_->setObjectName("Check_Simplify");
    keep_ = new QCheckBox(QStringLiteral("炮制品单列（炙甘草与甘草分开计数）"), this);
    replace_ = new QCheckBox(QStringLiteral("替换同名方剂库"), this);
    classical_ =
        new QCheckBox(QStringLiteral("古代剂量（剂量分析默认按汉制 1 两 = 13.8 g）"), this);
    classical_->setObjectName("Check_Classical");
    int r = 0;
    grid->addWidget(new QLabel(QStringLiteral("文件"), this), r, 0);
    grid->addWidget(file_, r, 1, 1, 4);
    grid->addWidget(browse, r++, 5);
    grid->addWidget(new QLabel(QStringLiteral("方剂库名"), this), r, 0);
    grid->addWidget(library_, r, 1);
    grid->addWidget(new QLabel(QStringLiteral("工作表"), this), r, 2);
    grid->addWidget(sheet_, r, 3);
    grid->addWidget(header_, r++, 4);
    grid->addWidget(new QLabel(QStringLiteral("方名列"), this), r, 0);
    grid->addWidget(name_, r, 1);
    grid->addWidget(new QLabel(QStringLiteral("组成列"), this), r, 2);
    grid->addWidget(composition_, r, 3);
    grid->addWidget(new QLabel(QStringLiteral("主治列"), this), r, 4);
    grid->addWidget(indications_, r++, 5);
    grid->addWidget(new QLabel(QStringLiteral("出处列"), this), r, 0);
    grid->addWidget(source_, r, 1);
    grid->addWidget(new QLabel(QStringLiteral("诊断列"), this), r, 2);
    grid->addWidget(diagnosis_, r++, 3);
    grid->addWidget(simplify_, r, 0, 1, 2);
    grid->addWidget(keep_, r, 2, 1, 2);
    grid->addWidget(replace_, r++, 4, 1, 2);
    grid->addWidget(classical_, r++, 0, 1, 4);
    layout->addLayout(grid);
    detected_ = new QLabel(this);
    detected_->setObjectName("Label_Detected");
    layout->addWidget(detected_);
    preview_ = new QTableWidget(this);
    preview_->setObjectName("Grid_Preview");
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(preview_, 1);
    status_ = new QLabel(this);
    status_->setObjectName("Label_Status");
    status_->setWordWrap(true);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    auto* run = new QPushButton(QStringLiteral("导入"), this);
    run->setObjectName("Cmd_Import");
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, [this] {
      auto* dialog = new QFileDialog(this, QStringLiteral("选择处方文件"), QString(),
                                     QStringLiteral("处方表 (*.xlsx *.csv *.tsv *.txt)"));
      dialog->setAttribute(Qt::WA_DeleteOnClose);
      connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        file_->setText(path);
        Load(true);
      });
      dialog->open();
    });
    connect(file_, &QLineEdit::editingFinished, this, [this] { Load(true); });
    connect(sheet_, &QComboBox::activated, this, [this] { Load(false); });
    connect(header_, &QCheckBox::clicked, this,
            [this] { Load(false, header_->isChecked() ? 1 : 0); });
    connect(run, &QPushButton::clicked, this, [this] { Import(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(1000, 640);
  }

  void SetFile(const QString& path) {
    file_->setText(path);
    Load(true);
  }

 private:
  // Reads the file again and shows its first rows with the guessed (or chosen) layout.
  void Load(bool new_file, int header = -1) {
    ImportOptions options;
    options.header = header;
    if (!new_file) options.source.sheet = S(sheet_->currentText());
    try {
      preview_data_ = PreviewImport(std::filesystem::path(S(file_->text())), options,
                                    NameDictionary::Load(session_.ProgramFolder()));
    } catch (const std::exception& e) {
      status_->setText(Q(e.what()));
      preview_->clear();
      preview_->setRowCount(0);
      return;
    }
    const auto& t = preview_data_.table;
    if (new_file) {
      sheet_->clear();
      for (const auto& s : t.sheets) sheet_->addItem(Q(s));
      sheet_->setCurrentText(Q(t.sheet));
      if (library_->text().isEmpty())
        library_->setText(
            QString::fromStdString(std::filesystem::path(S(file_->text())).stem().string()));
    }
    header_->setChecked(preview_data_.header);
    std::size_t columns = 0;
    for (const auto& row : t.rows) columns = std::max(columns, row.size());
    QStringList letters;
    for (std::size_t k = 0; k < columns; ++k) {
      QString title = Q(ColumnName(static_cast<int>(k)));
      if (preview_data_.header && k < t.rows[0].size() && !t.rows[0][k].empty())
        title += " " + Q(t.rows[0][k]);
      letters << title;
    }
    for (QComboBox* box : {name_, indications_, source_, diagnosis_}) {
      box->clear();
      box->addItem(QStringLiteral("（无）"), -1);
      for (int k = 0; k < letters.size(); ++k) box->addItem(letters[k], k);
    }
    const auto& c = preview_data_.columns;
    name_->setCurrentIndex(c.name + 1);
    indications_->setCurrentIndex(c.indications + 1);
    source_->setCurrentIndex(c.source + 1);
    diagnosis_->setCurrentIndex(c.diagnosis + 1);
    QStringList comp;
    for (const int k : c.composition) comp << Q(ColumnName(k));
    composition_->setText(comp.join(","));
    simplify_->setChecked(preview_data_.propose_simplify);
    detected_->setText(
        QStringLiteral("格式 %1，编码 %2%3；%4")
            .arg(Q(t.format), Q(t.encoding),
                 t.separator.empty() ? QString() : QStringLiteral("，分隔符 ") + Q(t.separator),
                 preview_data_.propose_simplify
                     ? QStringLiteral("检测到繁体字（约 %1%），建议转为简体。")
                           .arg(preview_data_.traditional_share * 100, 0, 'f', 1)
                     : QStringLiteral("未发现繁体字。")));
    preview_->clear();
    preview_->setColumnCount(static_cast<int>(columns));
    preview_->setHorizontalHeaderLabels(letters);
    const int rows = static_cast<int>(std::min<std::size_t>(t.rows.size(), kPreviewRows));
    preview_->setRowCount(rows);
    QStringList numbers;
    for (int r = 0; r < rows; ++r) {
      numbers << QString::number(t.row_numbers[r]);
      for (std::size_t k = 0; k < t.rows[r].size(); ++k)
        preview_->setItem(r, static_cast<int>(k), new QTableWidgetItem(Q(t.rows[r][k])));
    }
    preview_->setVerticalHeaderLabels(numbers);
    preview_->resizeColumnsToContents();
    for (int k = 0; k < preview_->columnCount(); ++k)
      preview_->setColumnWidth(k, std::min(preview_->columnWidth(k), 360));
    status_->setText(preview_data_.layout_doubt.empty()
                         ? QStringLiteral("共 %1 行。核对各列后点“导入”。").arg(t.rows.size())
                         : QStringLiteral("共 %1 行。%2请在“方名列”和“组成列”中选好再点“导入”。")
                               .arg(t.rows.size())
                               .arg(Q(preview_data_.layout_doubt)));
  }

  ImportOptions Options() const {
    ImportOptions options;
    options.library = S(library_->text().trimmed());
    options.source.sheet = S(sheet_->currentText());
    options.header = header_->isChecked() ? 1 : 0;
    options.columns_given = true;
    options.columns.name = name_->currentData().toInt();
    options.columns.indications = indications_->currentData().toInt();
    options.columns.source = source_->currentData().toInt();
    options.columns.diagnosis = diagnosis_->currentData().toInt();
    for (const auto& part : Split(S(composition_->text()), ","))
      if (const int k = ParseColumn(part); k >= 0) options.columns.composition.push_back(k);
    options.simplify = simplify_->isChecked() ? 1 : 0;
    options.keep_processed = keep_->isChecked();
    options.replace = replace_->isChecked();
    options.classical = classical_->isChecked();
    return options;
  }

  void Import() {
    const ImportOptions options = Options();
    if (options.columns.name < 0 || options.columns.composition.empty()) {
      status_->setText(QStringLiteral("请先选择方名列和组成列。"));
      return;
    }
    const std::filesystem::path file(S(file_->text()));
    try {
      ImportResult result = ImportWithProgress(this, session_, file, options);
      status_->setText(Q(ReplaceAll(ReplaceAll(ImportSummary(result), "\t", "："), "\n", "；")));
      if (changed_) changed_();
      if (!result.unresolved.empty())
        (new ReviewWindow(parentWidget(), session_, options, file, std::move(result), changed_))
            ->show();
    } catch (const std::exception& e) {
      status_->setText(Q(e.what()));
    }
  }

  Session& session_;
  std::function<void()> changed_;
  ImportPreview preview_data_;
  QLineEdit *file_, *library_, *composition_;
  QComboBox *sheet_, *name_, *indications_, *source_, *diagnosis_;
  QCheckBox *header_, *simplify_, *keep_, *replace_, *classical_;
  QLabel *detected_, *status_;
  QTableWidget* preview_;
};

class LibraryManager : public QDialog {
 public:
  LibraryManager(QWidget* parent, Session& session, std::function<void()> changed)
      : QDialog(parent), session_(session), changed_(std::move(changed)) {
    setObjectName("Frm_Libraries");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("方剂库管理"));
    auto* layout = new QHBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("List_Libraries");
    layout->addWidget(list_, 1);
    auto* buttons = new QVBoxLayout;
    const auto button = [&](const QString& caption, const char* name, auto slot) {
      auto* b = new QPushButton(caption, this);
      b->setObjectName(name);
      buttons->addWidget(b);
      connect(b, &QPushButton::clicked, this, slot);
    };
    button(QStringLiteral("打开"), "Cmd_Open", [this] { Open(); });
    button(QStringLiteral("改名…"), "Cmd_Rename", [this] { Rename(); });
    button(QStringLiteral("删除…"), "Cmd_Delete", [this] { Delete(); });
    button(QStringLiteral("显示文件夹"), "Cmd_ShowFolder", [this] {
      if (const auto* info = Selected())
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(QString::fromStdString(info->folder.string())));
    });
    button(QStringLiteral("导入处方…"), "Cmd_ImportFormulas",
           [this] { ShowImportDialog(parentWidget(), session_, [this] { Changed(); }); });
    buttons->addStretch();
    button(QStringLiteral("关闭"), "Cmd_Close", [this] { close(); });
    layout->addLayout(buttons);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { Open(); });
    resize(560, 320);
    Fill();
  }

 private:
  void Fill() {
    libraries_ = ListLibraries(session_);
    list_->clear();
    const std::string open = OpenLibraryName(session_);
    for (const auto& l : libraries_)
      list_->addItem(Q(l.name + "（" + std::to_string(l.formulas) + " 首）" +
                       (l.shipped ? "［随程序提供］" : "") + (l.name == open ? "　← 已打开" : "")));
    for (int i = 0; i < list_->count(); ++i)
      if (libraries_[i].name == open) list_->setCurrentRow(i);
  }
  const LibraryInfo* Selected() const {
    const int row = list_->currentRow();
    return row >= 0 && row < static_cast<int>(libraries_.size()) ? &libraries_[row] : nullptr;
  }
  void Changed() {
    Fill();
    if (changed_) changed_();
  }
  void Report(const std::string& problem) {
    if (!problem.empty()) session_.Message(problem);
    Changed();
  }
  void Open() {
    const auto* info = Selected();
    if (!info) return;
    const std::string name = info->name;
    // The formula window shows what became of its result set; without it the set is fitted to
    // the new library all the same, so no analysis reads the old library's formulas.
    if (auto* fangji = session_.FindWindow<FangjiAnalysis>()) {
      fangji->OpenFormulaLibrary(name);
      return Changed();
    }
    if (std::string problem = OpenLibrary(session_, name); !problem.empty()) return Report(problem);
    FitToOpenLibrary();
    Changed();
  }
  void FitToOpenLibrary() {
    try {
      if (std::string note = FitResultSetToLibrary(session_, true); !note.empty())
        session_.Message(note);
    } catch (const FileError& e) {
      session_.ReportFailure(e.what());
    }
  }
  void Rename() {
    const auto* info = Selected();
    if (!info) return;
    const std::string name = info->name;
    const std::string to = session_.dialogs().Input("方剂库“" + name + "”的新名字：", name, "改名");
    if (!to.empty() && to != name) Report(RenameLibrary(session_, name, to));
  }
  void Delete() {
    const auto* info = Selected();
    if (!info) return;
    const std::string name = info->name;
    if (info->shipped) return Report(DeleteLibrary(session_, name));
    if (session_.dialogs().AskYesNo("删除方剂库“" + name + "”（" + std::to_string(info->formulas) +
                                    " 首方剂及其导入记录）？删除后不能恢复。")) {
      const bool was_open = name == OpenLibraryName(session_);
      const std::string problem = DeleteLibrary(session_, name);
      // Deleting the open library opens the shipped one.
      if (problem.empty() && was_open) {
        if (auto* fangji = session_.FindWindow<FangjiAnalysis>())
          fangji->OpenFormulaLibrary(kShippedLibraryName);
        else
          FitToOpenLibrary();
      }
      Report(problem);
    }
  }

  Session& session_;
  std::function<void()> changed_;
  std::vector<LibraryInfo> libraries_;
  QListWidget* list_ = nullptr;
};

}  // namespace

void ShowImportDialog(QWidget* parent, Session& session, std::function<void()> changed,
                      const QString& file) {
  auto* dialog = new ImportDialog(parent, session, std::move(changed));
  dialog->show();
  if (!file.isEmpty()) dialog->SetFile(file);
}

void ShowLibraryManager(QWidget* parent, Session& session, std::function<void()> changed) {
  (new LibraryManager(parent, session, std::move(changed)))->show();
}

QString TitleWithLibrary(const Session& session, std::string_view caption) {
  if (OpenLibraryName(session) == kShippedLibraryName) return Q(caption);
  return Q(std::string(caption) + " — " + LibraryLabel(session));
}

}  // namespace lindora::ui

#include "analysis/herb_clustering/ui/frm_herb_clustering.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStringListModel>
#include <QVBoxLayout>

#include "common/ui/menus.h"
#include "common/ui/qt_text.h"
#include "formula/library.h"

namespace lindora::ui {
namespace {

// Sizes in pixels: the window at first, its fields, and how the splitters share their width
// (the tree gets most of its tab; the core combinations' two tables a little more than the
// information table).
constexpr int kWindowWidth = 1300, kWindowHeight = 860;
constexpr int kNumberFieldWidth = 60, kCutValueFieldWidth = 70, kFormulaChoiceMinWidth = 200;
constexpr int kFormulaChoiceRows = 20;  // the formula list's rows shown at once
constexpr int kBoxMargin = 4, kControlGroupSpacing = 30;
constexpr int kTreeWidth = 880, kHerbTableWidth = 380;
constexpr int kInformationTableWidth = 560, kCoreTablesWidth = 700;

QLineEdit* Field(QWidget* parent, const char* name, int width) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setFixedWidth(width);
  return field;
}

QComboBox* Choice(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->addItems(items);
  return box;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

// A grid under a caption.
QWidget* Captioned(const QString& caption, FlexGridView* grid, QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(kBoxMargin, kBoxMargin, kBoxMargin, kBoxMargin);
  grid->setParent(box);
  layout->addWidget(grid);
  return box;
}

const QStringList kDistances = {"jaccard", "euclidean", "cosine"};
const QStringList kLinkages = {"average", "complete", "single", "ward"};

void SetChoice(QComboBox* box, const QStringList& keys, const std::string& value) {
  const int at = keys.indexOf(Q(value));
  if (at >= 0 && box->currentIndex() != at) box->setCurrentIndex(at);
}

void SetText(QLineEdit* field, const std::string& value) {
  if (field->text() != Q(value)) field->setText(Q(value));
}

}  // namespace

Frm_HerbClustering::Frm_HerbClustering(HerbClusteringWindow& model)
    : FormView(model, "Frm_HerbClustering"), window_(model) {
  QWidget* central = WhiteCentralWidget();
  auto* layout = new QVBoxLayout(central);
  tabs_ = new QTabWidget(central);
  tabs_->setObjectName("Tab_Clustering");
  tabs_->addTab(HerbTab(), QStringLiteral("药物聚类"));
  tabs_->addTab(FormulaTab(), QStringLiteral("相似方剂与类方"));
  tabs_->addTab(CoreTab(), QStringLiteral("核心组合与新方"));
  layout->addWidget(tabs_);
  connect(tabs_, &QTabWidget::currentChanged, this,
          [this](int tab) { window_.SetCurrentTab(tab); });
  BuildMenus(this, menuBar(), HerbClusteringWindow::MenuBar(), window_);
  result_set_bar_ = AddResultSetBar(this, window_);
  resize(kWindowWidth, kWindowHeight);
}

QWidget* Frm_HerbClustering::HerbTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* controls = new QHBoxLayout;
  top_ = Field(page, "Text_Top", kNumberFieldWidth);
  distance_ = Choice(page, "Combo_Distance",
                     {QStringLiteral("Jaccard 距离"), QStringLiteral("平方欧氏距离"),
                      QStringLiteral("余弦（Ochiai）距离")});
  linkage_ = Choice(page, "Combo_Linkage",
                    {QStringLiteral("平均连接（UPGMA）"), QStringLiteral("完全连接"),
                     QStringLiteral("单连接"), QStringLiteral("Ward 法")});
  cut_rule_ = Choice(page, "Combo_CutRule", {QStringLiteral("聚类数"), QStringLiteral("切割高度")});
  cut_value_ = Field(page, "Text_CutValue", kCutValueFieldWidth);
  auto* run = Button(page, "Cmd_ClusterHerbs", QStringLiteral("聚类"));
  controls->addWidget(new QLabel(QStringLiteral("频数最高的前"), page));
  controls->addWidget(top_);
  controls->addWidget(new QLabel(QStringLiteral("味药  距离"), page));
  controls->addWidget(distance_);
  controls->addWidget(new QLabel(QStringLiteral("连接"), page));
  controls->addWidget(linkage_);
  controls->addWidget(cut_rule_);
  controls->addWidget(cut_value_);
  controls->addWidget(run);
  controls->addStretch();
  layout->addLayout(controls);
  auto* split = new QSplitter(Qt::Horizontal, page);
  auto* tree_scroll = new QScrollArea(split);
  tree_scroll->setWidgetResizable(true);
  tree_ = new DendrogramView;
  tree_->setObjectName("Picture_Dendrogram");
  tree_scroll->setWidget(tree_);
  herb_grid_ = new FlexGridView(&window_.HerbGrid(), split);
  herb_grid_->setObjectName("FlexGrid_Herbs");
  split->addWidget(tree_scroll);
  split->addWidget(herb_grid_);
  split->setStretchFactor(0, 1);
  split->setSizes({kTreeWidth, kHerbTableWidth});
  layout->addWidget(split, 1);
  herb_summary_ = new QLabel(page);
  layout->addWidget(herb_summary_);
  connect(run, &QPushButton::clicked, this, [this] {
    TakeHerbOptions();
    window_.Cmd_ClusterHerbs_Click();
  });
  connect(cut_value_, &QLineEdit::returnPressed, run, &QPushButton::click);
  connect(top_, &QLineEdit::returnPressed, run, &QPushButton::click);
  return page;
}

QWidget* Frm_HerbClustering::FormulaTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* controls = new QHBoxLayout;
  formula_ = Choice(page, "Combo_Formula", {});
  formula_->setEditable(true);
  formula_->setInsertPolicy(QComboBox::NoInsert);
  formula_->setMaxVisibleItems(kFormulaChoiceRows);
  formula_->setMinimumWidth(kFormulaChoiceMinWidth);
  formula_->lineEdit()->setPlaceholderText(QStringLiteral("输入方名的一部分以筛选"));
  // Typing narrows the list to the names holding the text anywhere (the model's filter);
  // the completer shows that list as it stands.
  formula_completer_ = new QCompleter(formula_);
  formula_completer_->setModel(new QStringListModel(formula_completer_));
  formula_completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
  formula_->setCompleter(formula_completer_);
  connect(formula_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    QStringList names;
    for (const std::string& name : window_.FormulaChoices(S(text))) names << Q(name);
    static_cast<QStringListModel*>(formula_completer_->model())->setStringList(names);
    if (!text.trimmed().isEmpty()) formula_completer_->complete();
  });
  similar_top_ = Field(page, "Text_SimilarTop", kNumberFieldWidth);
  auto* find = Button(page, "Cmd_SimilarFormulas", QStringLiteral("查找相似方剂"));
  min_similarity_ = Field(page, "Text_MinSimilarity", kNumberFieldWidth);
  auto* cluster = Button(page, "Cmd_ClusterFormulas", QStringLiteral("方剂聚类"));
  controls->addWidget(new QLabel(QStringLiteral("方剂"), page));
  controls->addWidget(formula_);
  controls->addWidget(new QLabel(QStringLiteral("列出前"), page));
  controls->addWidget(similar_top_);
  controls->addWidget(find);
  controls->addSpacing(kControlGroupSpacing);
  controls->addWidget(new QLabel(QStringLiteral("结果集方剂聚类，相似度至少"), page));
  controls->addWidget(min_similarity_);
  controls->addWidget(cluster);
  controls->addStretch();
  layout->addLayout(controls);
  auto* split = new QSplitter(Qt::Horizontal, page);
  similar_grid_ = new FlexGridView(&window_.SimilarGrid(), split);
  similar_grid_->setObjectName("FlexGrid_Similar");
  cluster_grid_ = new FlexGridView(&window_.FormulaClusterGrid(), split);
  cluster_grid_->setObjectName("FlexGrid_FormulaClusters");
  split->addWidget(Captioned(QStringLiteral("相似方剂（Jaccard 相似度）"), similar_grid_, split));
  split->addWidget(Captioned(QStringLiteral("方剂聚类（类方）"), cluster_grid_, split));
  layout->addWidget(split, 1);
  formula_summary_ = new QLabel(page);
  layout->addWidget(formula_summary_);
  connect(find, &QPushButton::clicked, this, [this] {
    // Read before setting: each setter redraws the fields from the model.
    const std::string name = S(formula_->currentText()), top = S(similar_top_->text());
    window_.SetFormulaName(name);
    window_.SetSimilarTop(top);
    window_.Cmd_SimilarFormulas_Click();
  });
  connect(cluster, &QPushButton::clicked, this, [this] {
    window_.SetMinSimilarity(S(min_similarity_->text()));
    window_.Cmd_ClusterFormulas_Click();
  });
  return page;
}

QWidget* Frm_HerbClustering::CoreTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* controls = new QHBoxLayout;
  min_support_ = Field(page, "Text_MinSupport", kNumberFieldWidth);
  min_association_ = Field(page, "Text_MinAssociation", kNumberFieldWidth);
  size_ = Choice(page, "Combo_Size", {"3", "4"});
  keep_ = Field(page, "Text_Keep", kNumberFieldWidth);
  merge_similarity_ = Field(page, "Text_MergeSimilarity", kNumberFieldWidth);
  auto* run = Button(page, "Cmd_CoreCombinations", QStringLiteral("寻找核心组合"));
  controls->addWidget(new QLabel(QStringLiteral("支持度（方剂数）≥"), page));
  controls->addWidget(min_support_);
  controls->addWidget(new QLabel(QStringLiteral("药对共现 > 期望且标准化互信息 ≥"), page));
  controls->addWidget(min_association_);
  controls->addWidget(new QLabel(QStringLiteral("药味数"), page));
  controls->addWidget(size_);
  controls->addWidget(new QLabel(QStringLiteral("保留"), page));
  controls->addWidget(keep_);
  controls->addWidget(new QLabel(QStringLiteral("候选合并相似度 >"), page));
  controls->addWidget(merge_similarity_);
  controls->addWidget(run);
  controls->addStretch();
  layout->addLayout(controls);
  auto* split = new QSplitter(Qt::Horizontal, page);
  information_grid_ = new FlexGridView(&window_.InformationGrid(), split);
  information_grid_->setObjectName("FlexGrid_Information");
  auto* right = new QSplitter(Qt::Vertical, split);
  core_grid_ = new FlexGridView(&window_.CoreGrid(), right);
  core_grid_->setObjectName("FlexGrid_Core");
  candidate_grid_ = new FlexGridView(&window_.CandidateGrid(), right);
  candidate_grid_->setObjectName("FlexGrid_Candidates");
  split->addWidget(Captioned(QStringLiteral("药物互信息"), information_grid_, split));
  right->addWidget(Captioned(QStringLiteral("核心组合（按总相关排序）"), core_grid_, right));
  right->addWidget(Captioned(QStringLiteral("新方候选"), candidate_grid_, right));
  split->addWidget(right);
  split->setSizes({kInformationTableWidth, kCoreTablesWidth});
  layout->addWidget(split, 1);
  core_summary_ = new QLabel(page);
  layout->addWidget(core_summary_);
  connect(run, &QPushButton::clicked, this, [this] {
    TakeCoreOptions();
    window_.Cmd_CoreCombinations_Click();
  });
  return page;
}

// The fields are all read before any is handed over: each setter redraws them from the model.
void Frm_HerbClustering::TakeHerbOptions() {
  const bool by_height = cut_rule_->currentIndex() == 1;
  const std::vector<std::pair<std::string, std::string>> options = {
      {"top", S(top_->text())},
      {"distance", S(kDistances[distance_->currentIndex()])},
      {"linkage", S(kLinkages[linkage_->currentIndex()])},
      {by_height ? "height" : "k", S(cut_value_->text())}};
  for (const auto& [key, value] : options) window_.SetHerbOption(key, value);
  if (!by_height) window_.SetHerbOption("height", "0");
}

void Frm_HerbClustering::TakeCoreOptions() {
  const std::vector<std::pair<std::string, std::string>> options = {
      {"min-support", S(min_support_->text())},
      {"min-association", S(min_association_->text())},
      {"size", S(size_->currentText())},
      {"keep", S(keep_->text())},
      {"merge-similarity", S(merge_similarity_->text())}};
  for (const auto& [key, value] : options) window_.SetCoreOption(key, value);
}

void Frm_HerbClustering::FillFormulaChoices() {
  formula_library_ = OpenLibraryName(window_.session());
  QStringList names;
  for (const std::string& name : window_.FormulaChoices()) names << Q(name);
  QSignalBlocker block(formula_);
  const QString text = formula_->currentText();
  formula_->clear();
  formula_->addItems(names);
  formula_->setEditText(text);
  static_cast<QStringListModel*>(formula_completer_->model())->setStringList(names);
}

void Frm_HerbClustering::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  if (!candidate_grid_) return;  // still being built
  const OptionValues& h = window_.HerbOptions();
  SetText(top_, h.at("top"));
  SetChoice(distance_, kDistances, h.at("distance"));
  SetChoice(linkage_, kLinkages, h.at("linkage"));
  const bool by_height = !h.at("height").empty() && h.at("height") != "0";
  cut_rule_->setCurrentIndex(by_height ? 1 : 0);
  SetText(cut_value_, by_height ? h.at("height") : h.at("k"));
  const OptionValues& c = window_.CoreOptionValues();
  SetText(min_support_, c.at("min-support"));
  SetText(min_association_, c.at("min-association"));
  size_->setCurrentIndex(c.at("size") == "4" ? 1 : 0);
  SetText(keep_, c.at("keep"));
  SetText(merge_similarity_, c.at("merge-similarity"));
  if (formula_->currentText() != Q(window_.FormulaName()))
    formula_->setEditText(Q(window_.FormulaName()));
  if (formula_library_ != OpenLibraryName(window_.session()) || formula_->count() == 0)
    FillFormulaChoices();
  SetText(similar_top_, window_.SimilarTop());
  SetText(min_similarity_, window_.MinSimilarity());
  if (tabs_->currentIndex() != window_.CurrentTab()) tabs_->setCurrentIndex(window_.CurrentTab());
  if (!picture_watch_.Moved(window_.PictureVersion())) return;
  tree_->SetPicture(window_.Picture());
  herb_summary_->setText(Q(window_.Summary(HerbClusteringWindow::kHerbTab)));
  formula_summary_->setText(Q(window_.Summary(HerbClusteringWindow::kFormulaTab)));
  core_summary_->setText(Q(window_.Summary(HerbClusteringWindow::kCoreTab)));
  for (FlexGridView* grid :
       {herb_grid_, similar_grid_, cluster_grid_, information_grid_, core_grid_, candidate_grid_})
    grid->Refresh();
}

}  // namespace lindora::ui

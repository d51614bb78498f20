#include "ui/statistics.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "graph/face.h"

namespace orvelt {

namespace {

const auto kRefresh = static_cast<QEvent::Type>(QEvent::registerEventType());

const QString kOffBy2 = QStringLiteral("標準化残差の絶対値が 2 を超えています");
const QString kOffBy3 = QStringLiteral("標準化残差の絶対値が 3 を超えています");

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

QTableWidget* Table(const QString& name, QWidget* parent) {
  auto* table = new QTableWidget(parent);
  table->setObjectName(name);
  table->setAccessibleName(name);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::ContiguousSelection);
  table->verticalHeader()->hide();
  // Lines as close as the grids' rather than the style's roomy default.
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->setWordWrap(false);
  // Each table shows all its lines; the page scrolls as a whole where the screen is too small.
  table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return table;
}

// How a cell stands out: words to the left, omitted rows dimmed, rows that lie off coloured.
struct Look {
  bool left = false, dim = false;
  int off = 0;  // 2 or 3: |standardised residual| above it
};

// The table's lines, each as long as the header, into the items it has (new ones where it lacks
// them): a compute changes texts, rarely the shape. Columns as wide as their widest text.
template <class LookOf>
void Fill(QTableWidget* table, const QStringList& header,
          const std::vector<std::vector<std::string>>& rows, LookOf lookOf) {
  if (table->columnCount() != header.size()) {
    table->setColumnCount(header.size());
    table->setHorizontalHeaderLabels(header);
  }
  table->setRowCount(static_cast<int>(rows.size()));
  QFont bold = table->font();
  bold.setBold(true);
  const QFontMetrics headerMetrics(table->horizontalHeader()->font()), metrics(bold);
  std::vector<int> widths;
  for (const QString& caption : header) widths.push_back(headerMetrics.horizontalAdvance(caption));
  for (int r = 0; r < table->rowCount(); ++r) {
    for (int c = 0; c < table->columnCount(); ++c) {
      QTableWidgetItem* item = table->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        table->setItem(r, c, item);
      }
      const Look look = lookOf(r, c);
      const QString text = Text(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
      item->setText(text);
      item->setTextAlignment(Qt::AlignVCenter | (look.left ? Qt::AlignLeft : Qt::AlignRight));
      item->setForeground(look.dim ? QBrush(QColor(112, 112, 112)) : QBrush());
      item->setBackground(look.off == 3   ? QBrush(QColor(255, 190, 190))
                          : look.off == 2 ? QBrush(QColor(255, 240, 170))
                                          : QBrush());
      item->setFont(look.off == 3 ? bold : table->font());
      const QString note = look.off == 3 ? kOffBy3 : look.off == 2 ? kOffBy2 : QString();
      item->setToolTip(note);
      item->setData(Qt::AccessibleDescriptionRole, note);
      widths[static_cast<std::size_t>(c)] =
          std::max(widths[static_cast<std::size_t>(c)], metrics.horizontalAdvance(text));
    }
  }
  // The margins the item delegate and the header keep around a text.
  const int margin = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 4;
  for (int c = 0; c < table->columnCount(); ++c)
    table->setColumnWidth(c, widths[static_cast<std::size_t>(c)] + margin);
  table->setFixedSize(table->sizeHint());
}

QLabel* Title(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

StatisticsWindow::StatisticsWindow(const Worksheet& sheet, QWidget* parent)
    : QWidget(parent, Qt::Window), sheet_(sheet) {
  setObjectName(QStringLiteral("StatisticsWindow"));
  setWindowTitle(QStringLiteral("回帰の統計"));
  setFont(JapaneseFont(12));
  // Closing the main window alone ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);

  auto* layout = new QVBoxLayout(this);
  NoResult = new QLabel(QStringLiteral("計算の結果がありません"), this);
  NoResult->setObjectName(QStringLiteral("NoResult"));
  layout->addWidget(NoResult);

  auto* page = new QScrollArea(this);
  page->setObjectName(QStringLiteral("Page"));
  page->setFrameShape(QFrame::NoFrame);
  Parts = new QWidget(page);
  auto* parts = new QVBoxLayout(Parts);
  parts->setContentsMargins(0, 0, 0, 0);
  // The page is as large as its tables; the scroll area shows what the window has room for.
  parts->setSizeConstraint(QLayout::SetFixedSize);
  Summary = Table(QStringLiteral("要約"), Parts);
  Coefficients = Table(QStringLiteral("係数"), Parts);
  Residuals = Table(QStringLiteral("残差"), Parts);
  Comparison = Table(QStringLiteral("式の比較"), Parts);
  auto* top = new QHBoxLayout;
  for (QTableWidget* table : {Summary, Coefficients}) {
    auto* column = new QVBoxLayout;
    QLabel* title = Title(table->accessibleName(), Parts);
    title->setBuddy(table);
    column->addWidget(title);
    column->addWidget(table);
    column->addStretch();
    top->addLayout(column);
  }
  top->addStretch();
  parts->addLayout(top);
  for (QTableWidget* table : {Residuals, Comparison}) {
    QLabel* title = Title(table->accessibleName(), Parts);
    title->setBuddy(table);
    parts->addWidget(title);
    parts->addWidget(table);
  }
  page->setWidget(Parts);
  layout->addWidget(page, 1);
  page_ = page;

  CopyButton = new QPushButton(QStringLiteral("ｺﾋﾟｰ(&C)"), this);
  CopyButton->setObjectName(QStringLiteral("CopyButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CopyButton);
  layout->addLayout(buttons);
  connect(CopyButton, &QPushButton::clicked, this, [this] { Copy(); });

  auto* copy = new QAction(this);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WindowShortcut);
  connect(copy, &QAction::triggered, this, [this] { Copy(); });
  addAction(copy);
  auto* close = new QAction(this);
  close->setShortcut(Qt::Key_Escape);
  close->setShortcutContext(Qt::WindowShortcut);
  connect(close, &QAction::triggered, this, &QWidget::close);
  addAction(close);

  sheet_.AddListener(this);
  resize(480, 360);
  Refresh();
}

StatisticsWindow::~StatisticsWindow() {
  sheet_.RemoveListener(this);
}

void StatisticsWindow::Activate() {
  show();
  FitToContents();
  raise();
  activateWindow();
}

void StatisticsWindow::Copy() const {
  const std::string text = sheet_.StatisticsReport();
  if (!text.empty()) QGuiApplication::clipboard()->setText(Text(text));
}

void StatisticsWindow::ResultChanged() {
  // After the graph has been painted, once for a reset and the fit that follows it: the tables
  // cost more than the graph.
  if (refreshAsked_) return;
  refreshAsked_ = true;
  QCoreApplication::postEvent(this, new QEvent(kRefresh), Qt::LowEventPriority);
}

bool StatisticsWindow::event(QEvent* event) {
  if (event->type() != kRefresh) return QWidget::event(event);
  refreshAsked_ = false;
  Refresh();
  return true;
}

void StatisticsWindow::Refresh() {
  const FitResult* result = sheet_.Result();
  // Without a fit the tables are hidden as they stand: the next fit writes over them.
  NoResult->setVisible(!result);
  page_->setVisible(result);
  CopyButton->setEnabled(result);
  if (!result) return;
  const FitStatistics& st = result->statistics;
  auto header = [](const StatisticsTable& table) {
    QStringList captions;
    for (const std::string& caption : table.header) captions << Text(caption);
    return captions;
  };
  std::vector<std::vector<std::string>> summary;
  for (const auto& [caption, figure] : st.summary) summary.push_back({caption, figure});
  const int last = static_cast<int>(summary.size()) - 1;
  // The formula and the basis are words, not figures.
  Fill(Summary, {QStringLiteral("項目"), QStringLiteral("値")}, summary,
       [&](int r, int c) { return Look{c == 0 || r == 0 || r == last}; });
  Fill(Coefficients, header(st.coefficients), st.coefficients.rows,
       [](int, int c) { return Look{c == 0}; });
  QStringList residualHeader = header(st.residuals);
  residualHeader.last() = QStringLiteral("Omit");
  Fill(Residuals, residualHeader, st.residuals.rows, [&](int r, int) {
    const auto k = static_cast<std::size_t>(r);
    return Look{false, !st.residuals.rows[k].back().empty(), st.residualsOff[k]};
  });
  const int basis = static_cast<int>(st.comparison.header.size()) - 1;
  Fill(Comparison, header(st.comparison), st.comparison.rows,
       [&](int, int c) { return Look{c == 0 || c == basis}; });
  if (isVisible()) FitToContents();
}

void StatisticsWindow::FitToContents() {
  // Large enough for all of it where the screen allows, once: later the user's size holds. The
  // tables' sizes count only once they are shown.
  if (sized_ || !sheet_.Result()) return;
  sized_ = true;
  const QSize room = screen()->availableGeometry().size() * 9 / 10;
  resize(size().expandedTo((Parts->sizeHint() + QSize(48, 96)).boundedTo(room)));
}

}  // namespace orvelt

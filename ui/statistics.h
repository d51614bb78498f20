#pragma once
// The statistics window "回帰の統計": how good the worksheet's last fit is, in four tables, and
// the whole of it copied as text. It follows every compute and reset of the worksheet.

#include <QWidget>

#include "sheet/worksheet.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace orvelt {

class StatisticsWindow : public QWidget, public WorksheetListener {
  Q_OBJECT

 public:
  // Shows `sheet`'s last fit; the worksheet outlives the window.
  explicit StatisticsWindow(const Worksheet& sheet, QWidget* parent = nullptr);
  ~StatisticsWindow() override;

  QLabel* NoResult;  // shown instead of the tables while there is no fit
  QWidget* Parts;    // the four tables and their titles
  // The summary, the coefficients, the residuals (rows that lie off set off) and the kinds
  // compared, each a table that assistive technology reads by its column headers.
  QTableWidget *Summary, *Coefficients, *Residuals, *Comparison;
  QPushButton* CopyButton;  // "ｺﾋﾟｰ(&C)", also Ctrl+C in the window

  // Brings the window to the front with the keyboard focus, shown first if it was not.
  void Activate();
  // The statistics as tab-separated text to the clipboard; nothing without a fit.
  void Copy() const;

  // Shows the worksheet's new fit, or none, once the events before it have been handled.
  void ResultChanged() override;

 protected:
  bool event(QEvent* event) override;

 private:
  void Refresh();
  void FitToContents();

  const Worksheet& sheet_;
  QWidget* page_;  // scrolls the parts
  bool sized_ = false;
  bool refreshAsked_ = false;
};

}  // namespace orvelt

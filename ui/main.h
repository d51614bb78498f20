#pragma once
// The main window: grids, selectors, results, y calculation, menus and every command.

#include <QMainWindow>

#include <memory>

#include "app/desktop.h"
#include "sheet/worksheet.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TForm2;

namespace orvelt {
class DataEdits;
class DataGrid;
class EtchedRule;
class RadioGroup;
class StatisticsWindow;

// The application-wide settings the windows are laid out for: name, classic style, the
// Japanese face, Qt's own texts in Japanese and UTF-8 characters for Xlib. Call once the
// application object exists (it sets the process locale from the environment).
void ConfigureApplication();

}  // namespace orvelt

// The worksheet's view and controls: its handlers are short calls into the worksheet.
class TForm1 : public QMainWindow, public orvelt::WorksheetListener {
  Q_OBJECT

 public:
  // The client area as designed, at 96 dots per inch, below the menu bar.
  static constexpr int kClientWidth = 449, kClientHeight = 377;

  // The worksheet and the desktop outlive the window.
  TForm1(orvelt::Worksheet& sheet, orvelt::Desktop& desktop, QWidget* parent = nullptr);
  ~TForm1() override;

  // The graph window, created after this one; its picture's commands that reach out of the
  // program (dialogs, files) run here.
  void SetGraphWindow(TForm2* form2);
  // Shows the window in front of the graph window, with the keyboard focus.
  void Open();
  // Data files named on the command line: the first into series 1 and the second into series 2,
  // each exactly as the open command with that file chosen; one box names those left out.
  void OpenFiles(const QStringList& names);

  orvelt::EtchedRule* Bevel4;
  QGroupBox* GroupBox1;
  QLabel *Label2, *Label3, *Label4, *Label5, *Label6;
  QPushButton* Button1;
  orvelt::DataGrid* StringGrid1;
  orvelt::RadioGroup* RadioGroup1;
  QGroupBox* GroupBox2;
  QLabel *Label7, *Label8;
  QLineEdit* Edit1;
  QPushButton* Button2;
  QLineEdit* Edit2;
  orvelt::RadioGroup* RadioGroup2;
  orvelt::DataGrid* StringGrid2;
  QCheckBox* CheckBox1;

  QMenuBar* MainMenu1;
  QMenu *File1, *Open1, *Save1, *Edit3, *exchange, *Erase, *Show1, *Help1;
  QAction *O1, *O2, *S1, *S2, *N3, *Exit1;
  QAction *xy1, *xy2, *N2, *N5, *E1, *E2, *EA, *N1, *Copy1, *Copy2;
  QAction* G1;
  QAction *SearchforHelpOn1, *N4, *About1;

  orvelt::FileDialog SaveDialog1, OpenDialog1;
  orvelt::FileDialog PictureDialog1;  // the graph picture's; it remembers the folder chosen

  TForm2* Form2 = nullptr;

 public slots:
  void FormShow();
  void Button1Click();
  void Button2Click();
  void Exit1Click();
  void About1Click();
  void SearchforHelpOn1Click();
  void Copy2Click();
  void Copy1Click();
  void StringGrid1Click();
  void StringGrid1DblClick();
  void xy1Click();
  void xy2Click();
  void N2Click();
  void S1Click();
  void O1Click();
  void S2Click();
  void O2Click();
  void EAClick();
  void E1Click();
  void E2Click();
  void G1Click();
  void SavePictureClick();
  void PrintPictureClick();
  void StatisticsClick();
  void StringGrid1KeyPress(QChar& key);
  void StringGrid2KeyPress(QChar& key);

 public:
  orvelt::FitModel Model() const;
  // The worksheet's last fit; none before the first or after a reset.
  const orvelt::FitResult* Result() const { return sheet_.Result(); }
  // Undo and redo of the grids' data.
  orvelt::DataEdits& Edits() { return *edits_; }
  // The statistics window, once the graph window's command has opened it.
  orvelt::StatisticsWindow* Statistics() const { return statistics_.get(); }

  // The worksheet's news: the results box and the y calculation show its fit (bare, emptied and
  // disabled without one); the selectors show a choice a command set.
  void ResultChanged() override;
  void ChoiceChanged(orvelt::Choice choice) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenu();
  // Runs a handler inside the guard that shows what escapes it in the general error box.
  void Guarded(void (TForm1::*handler)());
  void ConnectMenu(QAction* action, void (TForm1::*handler)());
  // The selectors' choices into the worksheet, as the compute command reads them.
  void WriteChoices();
  void ShowResults(const orvelt::ResultTexts& texts);
  // A question; true when answered Yes.
  bool Ask(const orvelt::Message& message);
  void Tell(const orvelt::Refusal& refusal);
  void EnterWalk(orvelt::DataGrid* grid, QChar key);
  // Series 1, or any other number series 2, to and from a data file.
  void SaveSeries(int series);
  void OpenSeries(int series);
  void OpenSeriesFile(int series, const QString& name);
  // An erase command, once the question is answered Yes.
  void EraseAsked(const orvelt::Message& question, int series);

  orvelt::Worksheet& sheet_;
  orvelt::Desktop& desktop_;
  std::unique_ptr<orvelt::DataEdits> edits_;
  std::unique_ptr<orvelt::StatisticsWindow> statistics_;  // made when first opened
  bool shown_ = false;
};

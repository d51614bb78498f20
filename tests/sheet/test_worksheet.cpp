// The worksheet's commands without a window: each run on the same two series, then the cells,
// the choices, the last fit, the steps that can be taken back, what the commands said and what
// the listeners were told, in order.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "sheet/worksheet.h"

using namespace orvelt;

namespace {

// Series 1 rows 1 to 3, row 2 omitted; series 2 a complete row 1 and an incomplete row 2.
void Fill(Worksheet& sheet) {
  const char* one[][3] = {{"1", "2", ""}, {"2", "4", "Omit"}, {"3", "7", ""}};
  for (int r = 1; r <= 3; ++r)
    for (int c = kColumnX; c <= kColumnOmit; ++c) sheet.SetCell(1, c, r, one[r - 1][c - 1]);
  sheet.SetCell(2, kColumnX, 1, "10");
  sheet.SetCell(2, kColumnY, 1, "20");
  sheet.SetCell(2, kColumnX, 2, "15");
}

// The rows that hold text, "row:x,y,omit" in series 1 and "row:x,y" in series 2, series by "/".
QString CellsOf(const Worksheet& sheet) {
  QStringList series;
  for (int s = 1; s <= 2; ++s) {
    QStringList rows;
    for (int r = 1; r <= kRows; ++r) {
      QStringList texts;
      bool any = false;
      for (int c = kColumnX; c <= Worksheet::LastColumn(s); ++c) {
        texts << sheet.Cells(s)[r][c];
        any |= !texts.back().isEmpty();
      }
      if (any) rows << QStringLiteral("%1:%2").arg(r).arg(texts.join(','));
    }
    series << rows.join(' ');
  }
  return series.join(" / ");
}

// "kind band plotted", the plotting as "+" or "-".
QString ChoicesOf(const Worksheet& sheet) {
  return QStringLiteral("%1 %2 %3")
      .arg(int(sheet.Kind()))
      .arg(sheet.Band())
      .arg(sheet.PlotSeries2() ? '+' : '-');
}

// "-" without a fit, else "kind fitted, pairs used, band of its graph".
QString ResultOf(const Worksheet& sheet) {
  const FitResult* r = sheet.Result();
  return r ? QStringLiteral("%1 %2 %3").arg(int(r->model)).arg(r->usedCount).arg(sheet.ResultBand())
           : QStringLiteral("-");
}

// What the listeners hear, a letter each: D data changing, C a cell (a run counted), R the
// result, K B P the choices.
class Recorder : public WorksheetListener {
 public:
  QString told;
  void DataChanging() override { Add('D'); }
  void CellChanged(int, int, int) override { Add('C'); }
  void ResultChanged() override { Add('R'); }
  void ChoiceChanged(Choice choice) override {
    Add(choice == Choice::Kind ? 'K' : choice == Choice::Band ? 'B' : 'P');
  }

  // "C3" for three cells in a row.
  QString Told() const {
    QString out;
    for (qsizetype i = 0; i < told.size();) {
      qsizetype n = 1;
      while (told[i] == 'C' && i + n < told.size() && told[i + n] == 'C') ++n;
      out += told[i] + (n > 1 ? QString::number(n) : QString());
      i += n;
    }
    return out;
  }

 private:
  void Add(char c) { told += QLatin1Char(c); }
};

// A data file of series 1 holding rows 1 and 2, and a file that is none.
QString FilePath(const QString& name) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(name);
  if (!QFile::exists(path) && name != "missing.ovt") {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray lines = name == "good.ovt" ? "ovt110\r\n5\r\n6\r\n\r\n7\r\n9\r\nOmit\r\n" : "1,2\r\n";
    f.write(lines + QByteArray(name == "good.ovt" ? 54 : 0, '\n').replace("\n", "\r\n"));
  }
  return path;
}

// Runs the commands, space-separated; "name:arguments" for those that take some. What the
// commands say (refusals, y, the report's first line, a file saved) goes to `said`.
void Run(Worksheet& sheet, const QString& commands, QStringList& said) {
  for (const QString& command : commands.split(' ', Qt::SkipEmptyParts)) {
    const QString name = command.section(':', 0, 0), args = command.section(':', 1);
    const QStringList a = args.split(',');
    auto tell = [&](const std::optional<Refusal>& refusal) {
      if (refusal) said << QString::fromStdString(refusal->text).replace('\n', '|');
    };
    if (name == "compute") {
      try {
        tell(sheet.Compute());
      } catch (const CommandError& e) {
        said << QString::fromUtf8(e.what());
      }
    }
    else if (name == "reset") sheet.ResetResults();
    else if (name == "xy1") sheet.ExchangeXY(1);
    else if (name == "xy2") sheet.ExchangeXY(2);
    else if (name == "swap") sheet.ExchangeSeries();
    else if (name == "erase1") sheet.EraseSeries(1);
    else if (name == "erase2") sheet.EraseSeries(2);
    else if (name == "eraseall") sheet.EraseAll();
    else if (name == "undo") said << (sheet.Undo() ? "undone" : "nothing to undo");
    else if (name == "redo") said << (sheet.Redo() ? "redone" : "nothing to redo");
    else if (name == "omit") sheet.ToggleOmit(a[0].toInt());
    else if (name == "kind") sheet.SetKind(FitModel(a[0].toInt()));
    else if (name == "band") sheet.SetBand(a[0].toInt());
    else if (name == "plot") sheet.SetPlotSeries2(a[0] == "1");
    else if (name == "write") sheet.Write({{a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3]}});
    else if (name == "set") sheet.SetCell(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3]);
    else if (name == "typed") sheet.Typed(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3], a[4]);
    else if (name == "open") tell(sheet.OpenSeries(a[0].toInt(), FilePath(a[1])));
    else if (name == "load") sheet.LoadSeries(a[0].toInt(), sheet.Cells(a[1].toInt()));
    else if (name == "y") said << QString::fromStdString(sheet.YCalculation(a[0].toStdString()).value_or("no y"));
    else if (name == "report") said << QString::fromStdString(sheet.Report()).section("\r\n", 0, 1);
    else if (name == "slot") said << QStringLiteral("%1,%2").arg(sheet.Store().X2[a[0].toInt()]).arg(sheet.Store().Y2[a[0].toInt()]);
    else if (name == "save") {
      const QString path = QDir::temp().filePath(QStringLiteral("worksheet-%1.ovt").arg(a[0]));
      tell(sheet.SaveSeries(a[0].toInt(), path));
      QFile f(path);
      if (f.open(QIODevice::ReadOnly)) said << QString::number(f.size()) + " bytes";
      f.remove();
    } else QFAIL(qPrintable("unknown command " + name));
  }
}

const QString kFilled = "1:1,2, 2:2,4,Omit 3:3,7, / 1:10,20 2:15,";

}  // namespace

class TestWorksheet : public QObject {
  Q_OBJECT

 private slots:
  void commands_data() {
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("choices");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("steps");  // that can be taken back
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QString>("told");
    auto row = [](const char* name, const char* commands, const QString& cells, const char* choices,
                  const char* result, int steps, QStringList said, const char* told) {
      QTest::newRow(name) << commands << cells << choices << result << steps << said << told;
    };
    // The compute.
    row("compute", "compute", kFilled, "0 0 -", "0 2 0", 0, {}, "RR");
    row("an omitted row counts again", "omit:2 compute", "1:1,2, 2:2,4, 3:3,7, / 1:10,20 2:15,",
        "0 0 -", "0 3 0", 1, {}, "DCRR");
    row("a refusal leaves no fit", "compute set:1,2,3,x compute", "1:1,2, 2:2,4,Omit 3:3,x, / 1:10,20 2:15,",
        "0 0 -", "-", 0, {"正しい数字ではありません||  Data No. 3 の y"}, "RRCR");
    row("a fault of the arithmetic neither", "kind:2 set:1,1,3,1 compute", "1:1,2, 2:2,4,Omit 3:1,7, / 1:10,20 2:15,",
        "2 0 -", "-", 0, {"不正な浮動小数点数演算命令"}, "KCR");
    row("series 2 read when plotted", "plot:1 set:2,1,1,x compute", "1:1,2, 2:2,4,Omit 3:3,7, / 1:x,20 2:15,",
        "0 0 +", "-", 0, {"正しい数字ではありません||系列２ Data No. 1 の x"}, "PCR");
    row("series 2 slots stay between computes", "plot:1 compute set:2,1,1, compute slot:1",
        "1:1,2, 2:2,4,Omit 3:3,7, / 1:,20 2:15,", "0 0 +", "0 2 0", 0, {"10,20"}, "PRRCRR");
    // Choices are read when a command runs: the graph keeps the band of its compute, the report
    // and the y calculation follow the kind at once.
    row("band of the compute", "band:2 compute band:3", kFilled, "0 3 -", "0 2 2", 0, {}, "BRRB");
    row("report follows the kind", "compute kind:1 report", kFilled, "1 0 -", "0 2 0", 0,
        {"y = ax\r\n  a =   2.50000"}, "RRK");
    row("y follows the kind", "compute y:2 kind:2 y:2 y:z", kFilled, "2 0 -", "0 2 0", 0,
        {"   4.50000", "   9.00000", "no y"}, "RRK");
    row("no fit, coefficients 0", "y:3 report", kFilled, "0 0 -", "-", 0, {"   0.00000", "y = ax + b\r\n  a ="}, "");
    row("reset", "compute reset", kFilled, "0 0 -", "-", 0, {}, "RRR");
    // The data commands, each one step.
    row("x and y of series 1", "xy1", "1:2,1, 2:4,2,Omit 3:7,3, / 1:10,20 2:15,", "0 0 -", "-", 1, {}, "DC6");
    row("x and y of series 2", "xy2", "1:1,2, 2:2,4,Omit 3:3,7, / 1:20,10 2:,15", "0 0 -", "-", 1, {}, "DC4");
    row("series 1 and 2, marks gone", "swap", "1:10,20, 2:15,, / 1:1,2 2:2,4 3:3,7", "0 0 -", "-", 1,
        {}, "DC13");
    row("Omit marked", "omit:3", "1:1,2, 2:2,4,Omit 3:3,7,Omit / 1:10,20 2:15,", "0 0 -", "-", 1, {}, "DC");
    row("series 1 erased: results and choices reset", "kind:2 band:1 compute erase1",
        " / 1:10,20 2:15,", "0 0 -", "-", 1, {}, "KBRRRKBDC7");
    row("series 2 erased: the fit stays", "plot:1 compute erase2", "1:1,2, 2:2,4,Omit 3:3,7, / ",
        "0 0 -", "0 2 0", 1, {}, "PRRPDC3");
    row("series 2 erased: its slots too", "plot:1 compute erase2 slot:1", "1:1,2, 2:2,4,Omit 3:3,7, / ",
        "0 0 -", "0 2 0", 1, {"0,0"}, "PRRPDC3");
    row("both erased", "plot:1 kind:3 eraseall", " / ", "0 0 -", "-", 1, {}, "PKRKBPDC10");
    row("nothing to erase, no step", "erase2 erase2", "1:1,2, 2:2,4,Omit 3:3,7, / ", "0 0 -", "-", 1, {}, "PDC3PD");
    row("a cell written", "write:2,2,2,8", "1:1,2, 2:2,4,Omit 3:3,7, / 1:10,20 2:15,8", "0 0 -", "-",
        1, {}, "DC");
    row("outside the data, nothing", "write:2,3,1,Omit write:1,1,0,x set:1,0,1,x",
        kFilled, "0 0 -", "-", 0, {}, "DD");
    row("typing is a step once done", "set:1,1,1,9 typed:1,1,1,1,9 undo",
        kFilled, "0 0 -", "-", 0, {"undone"}, "CDC");
    row("series 2 loaded from series 1", "load:2,1", "1:1,2, 2:2,4,Omit 3:3,7, / 1:1,2 2:2,4 3:3,7",
        "0 0 -", "-", 1, {}, "DC6");
    // Undo and redo touch the data alone.
    row("undone", "compute xy1 undo", kFilled, "0 0 -", "0 2 0", 0, {"undone"}, "RRDC6DC6");
    row("made again", "xy1 undo redo redo", "1:2,1, 2:4,2,Omit 3:7,3, / 1:10,20 2:15,", "0 0 -", "-", 1,
        {"undone", "redone", "nothing to redo"}, "DC6DC6DC6D");
    row("erase undone, results stay reset", "kind:2 compute erase1 undo", kFilled, "0 0 -", "-", 0,
        {"undone"}, "KRRRKBDC7DC7");
    row("nothing to undo", "undo", kFilled, "0 0 -", "-", 0, {"nothing to undo"}, "D");
    // Files.
    row("a data file opened", "open:1,good.ovt", "1:5,6, 2:7,9,Omit / 1:10,20 2:15,", "0 0 -", "-", 1,
        {}, "DC6");
    row("a missing file", "open:1,missing.ovt", kFilled, "0 0 -", "-", 0, {"ファイルが見つかりません"}, "");
    row("a file that is none", "open:2,other.csv", kFilled, "0 0 -", "-", 0,
        {"指定されたファイルは読めません"}, "");
    row("saved", "save:2", kFilled, "0 0 -", "-", 0, {"134 bytes"}, "");
    row("a cell that cannot be saved", "set:1,2,1,〜 save:1", "1:1,〜, 2:2,4,Omit 3:3,7, / 1:10,20 2:15,",
        "0 0 -", "-", 0, {"保存できない文字があります||  Data No. 1 の y"}, "C");
  }
  void commands() {
    QFETCH(QString, commands);
    QFETCH(QString, cells);
    QFETCH(QString, choices);
    QFETCH(QString, result);
    QFETCH(int, steps);
    QFETCH(QStringList, said);
    QFETCH(QString, told);
    Worksheet sheet;
    Fill(sheet);
    Recorder recorder;
    sheet.AddListener(&recorder);
    QStringList saidNow;
    Run(sheet, commands, saidNow);
    sheet.RemoveListener(&recorder);
    QCOMPARE(CellsOf(sheet), cells);
    QCOMPARE(ChoicesOf(sheet), choices);
    QCOMPARE(ResultOf(sheet), result);
    QCOMPARE(sheet.History().UndoCount(), steps);
    QCOMPARE(saidNow, said);
    QCOMPARE(recorder.Told(), told);
  }
};

QTEST_APPLESS_MAIN(TestWorksheet)
#include "test_worksheet.moc"

// The program from a script, run as a script runs it: no display, no toolkit settings in the
// environment. Command lines give exit codes, standard output and standard error; the picture is
// the file the graph window saves after the same steps.

#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <string>

#include "tests/files/file_support.h"
#include "tests/ui/program.h"
#include "ui/controls.h"

namespace {

// A data file of series 1 (row 2 omitted), a text file of series 2, and files that are refused.
const struct {
  const char* name;
  QByteArray bytes;
} kFiles[] = {
    {"a.ovt", "ovt110\r\n1\r\n3\r\n\r\n2\r\n9\r\nOmit\r\n2\r\n5\r\n\r\n4\r\n9\r\n\r\n" +
                  QByteArray("\r\n").repeated(48)},
    {"b.tsv", "1.5\t2\n3\t8\tOmit\n"},
    {"bad.tsv", "1\t3\nx\t5\n"},
    {"same.csv", "1,1\n1,2\n2,3\n"},
    {"huge.csv", QByteArray(kMaxSeriesFileBytes + 1, ',')},
    {"wrong.ovt", "1,2\r\n"},
};

const char* const kReportA =
    "y = ax + b\n  a =   2.00000\n  b =   1.00000\n  data : 3 組\n  標準偏差 =   0.00000\n"
    "No.\tx\ty\n1\t1\t3\t\n2\t2\t9\tOmit\n3\t2\t5\t\n4\t4\t9\t\n";

// The statistics of a.ovt with "y = ax + b", from tests/core/stats_oracle.py: the line fits the
// three used pairs exactly.
const char* const kStatsA =
    "式\ty = ax + b\n"
    "データ数 n\t3\n"
    "係数の数 p\t2\n"
    "自由度 n-p\t1\n"
    "残差平方和\t0\n"
    "回帰の標準誤差 s\t0\n"
    "標準偏差 (n-1)\t0\n"
    "決定係数 R^2\t1\n"
    "自由度調整済み R^2\t1\n"
    "R^2 の基準\t平均\n"
    "\n"
    "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
    "a\t2\t0\t-\t-\t2\t2\n"
    "b\t1\t0\t-\t-\t1\t1\n"
    "\n"
    "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
    "1\t1\t3\t3\t0\t-\t0.714286\t\n"
    "2\t2\t9\t5\t4\t\t\tOmit\n"
    "3\t2\t5\t5\t0\t-\t0.357143\t\n"
    "4\t4\t9\t9\t0\t-\t0.928571\t\n"
    "\n"
    "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み R^2\tR^2 の基準\n"
    "y = ax + b\t2\t1\t0\t0\t1\t1\t平均\n"
    "y = ax\t1\t2\t0.666667\t0.57735\t0.994203\t0.991304\t原点\n"
    "y = ax^2 + bx + c\t3\t0\t0\t-\t1\t-\t平均\n"
    "y = ax^2 + bx\t2\t1\t0.0891089\t0.298511\t0.999225\t0.997675\t原点\n";

// A script's environment: no display and nothing of the toolkit's; the sanitizers' settings
// pass, since they belong to the build, not to the program.
QProcessEnvironment Bare() {
  QProcessEnvironment env;
  env.insert("PATH", "/usr/bin:/bin");
  env.insert("HOME", "/nonexistent");
  for (const char* tool : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
    if (qEnvironmentVariableIsSet(tool)) env.insert(tool, qEnvironmentVariable(tool));
  return env;
}

struct Run {
  int code;
  QString out, err;
};

Run Script(const QString& folder, const QStringList& arguments, const QByteArray& input = {},
           const QString& program = QStringLiteral(ORVELT_PROGRAM)) {
  QProcess process;
  process.setProcessEnvironment(Bare());
  process.setWorkingDirectory(folder);
  process.start(program, arguments);
  process.write(input);
  process.closeWriteChannel();
  if (!process.waitForFinished(30000)) return {-1, {}, QStringLiteral("did not end")};
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

class TestScript : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    for (const auto& file : kFiles) QVERIFY(Write(dir_.filePath(file.name), file.bytes));
  }

  // One line a command line: its arguments and standard input; the exit code, standard output
  // (whole) and standard error (whole, or its beginning for a usage error), and the file
  // "g.png" left or not.
  void commandLines_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("picture");
    auto row = [](const char* name, const QString& line, const QByteArray& input, int code,
                  const char* out, const char* err, bool picture = false) {
      QTest::newRow(name) << line.split('|') << input << code << QString::fromUtf8(out)
                          << QString::fromUtf8(err) << picture;
    };
    row("a data file", "--report|a.ovt", {}, 0, kReportA, "");
    row("a formula by number",
        "--report|--formula|1|a.ovt", {}, 0,
        "y = ax\n  a =   2.33333\n  data : 3 組\n  標準偏差 =   0.57735\n"
        "No.\tx\ty\n1\t1\t3\t\n2\t2\t9\tOmit\n3\t2\t5\t\n4\t4\t9\t\n", "");
    row("a formula by its text, comma columns from standard input",
        "--report|--formula=y = ax^2 + bx|-", "1,3\n2,\"7\"\n", 0,
        "y = ax^2 + bx\n  a =   0.50000\n  b =   2.50000\n  data : 2 組\n  標準偏差 =\n"
        "No.\tx\ty\n1\t1\t3\t\n2\t2\t7\t\n", "");
    row("the statistics", "--stats|a.ovt", {}, 0, kStatsA, "");
    row("the report and the statistics", "--stats|--report|a.ovt", {}, 0,
        (std::string(kReportA) + kStatsA).c_str(), "");
    row("the statistics refused as the report", "--stats|bad.tsv", {}, 1, "",
        "正しい数字ではありません\n\n  Data No. 2 の x\n");
    row("series 2 opened, not read", "--report|a.ovt|bad.tsv", {}, 0, kReportA, "");
    row("series 2 read and checked", "--report|--series2|a.ovt|bad.tsv", {}, 1, "",
        "正しい数字ではありません\n\n系列２ Data No. 2 の x\n");
    row("a cell that is no number", "--report|bad.tsv", {}, 1, "",
        "正しい数字ではありません\n\n  Data No. 2 の x\n");
    row("too few pairs", "--report|-", "1\t2\n", 1, "",
        "データ数が足りません\n\n２組以上のデータが必要です\n");
    row("a fault of the arithmetic", "--report|--formula|2|same.csv", {}, 1, "",
        "不正な浮動小数点数演算命令.\n");
    row("a missing file", "--report|a.ovt|missing.ovt", {}, 1, "",
        "ファイルが見つかりません\n\nmissing.ovt\n");
    row("a file that is no data file", "--report|wrong.ovt", {}, 1, "",
        "指定されたファイルは読めません\n\nwrong.ovt\n");
    row("a text file too large", "--report|huge.csv", {}, 1, "",
        "指定されたファイルは読めません\n\nhuge.csv\n");
    row("a picture", "--picture|g.png|a.ovt", {}, 0, "", "", true);
    row("a picture and the report", "--report|--picture|g.png|--band|1|--view|data|a.ovt", {}, 0,
        kReportA, "", true);
    row("no picture after a refusal", "--picture|g.png|bad.tsv", {}, 1, "",
        "正しい数字ではありません\n\n  Data No. 2 の x\n");
    row("a picture that cannot be written", "--picture|/nonexistent/g.png|a.ovt", {}, 1, "",
        "不正なファイル名です.\n\n/nonexistent/g.png\n");
    row("usage: no picture format", "--picture|g.gif|a.ovt", {}, 2, "",
        "orvelt: --picture needs a name ending in .png, .svg or .pdf\n\nUsage: orvelt ");
    row("usage: a formula that is none", "--report|--formula|4|a.ovt", {}, 2, "",
        "orvelt: --formula needs 0 to 3 or a formula's text\n\nUsage: orvelt ");
    row("usage: no file", "--report", {}, 2, "", "orvelt: no FILE1 to read\n\nUsage: orvelt ");
    row("usage: a band without a picture", "--report|--band|2|a.ovt", {}, 2, "",
        "orvelt: --band and --view need --picture\n\nUsage: orvelt ");
  }
  void commandLines() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, picture);
    QFile::remove(dir_.filePath("g.png"));
    const Run run = Script(dir_.path(), arguments, input);
    QCOMPARE(run.code, code);
    QCOMPARE(run.out, out);
    if (code == 2) {
      QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
    } else {
      QCOMPARE(run.err, err);
    }
    QCOMPARE(QFile::exists(dir_.filePath("g.png")), picture);
  }

  // A copy of the program without its output module beside it still writes PNG and PDF; an SVG
  // picture ends the script with the message that names the module's file, and leaves no file.
  void withoutTheModule_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    const QString module = dir_.filePath("alone/orvelt-output.so");
    QTest::newRow("PNG") << "alone.png" << 0 << QString();
    QTest::newRow("PDF") << "alone.pdf" << 0 << QString();
    QTest::newRow("SVG") << "alone.svg" << 1
                         << QStringLiteral("印刷と SVG の部品 %1 を読み込めません.\n\nalone.svg\n")
                                .arg(module);
  }
  void withoutTheModule() {
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(QString, err);
    const QString alone = dir_.filePath("alone/orvelt");
    QVERIFY(QDir(dir_.path()).mkpath("alone"));
    QVERIFY(QFile::exists(alone) || QFile::copy(QStringLiteral(ORVELT_PROGRAM), alone));
    const Run run = Script(dir_.path(), {"--picture", name, "a.ovt"}, {}, alone);
    QCOMPARE(run.err, err);
    QCOMPARE(run.code, code);
    QCOMPARE(QFile::exists(dir_.filePath(name)), code == 0);
  }

  // The script's file is the one ｸﾞﾗﾌを保存 writes after the same files, choices and compute, in
  // every frame with series 2 and a band, and with the 95 % bands; the PNG byte for byte, the SVG
  // too.
  void pictureOfTheWindow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("view");
    QTest::addColumn<bool>("bands");
    QTest::newRow("PNG through the origin") << "origin.png" << "origin" << false;
    QTest::newRow("PNG on the data") << "data.png" << "data" << false;
    QTest::newRow("SVG on the data") << "data.svg" << "data" << false;
    QTest::newRow("PNG of the residuals") << "residuals.png" << "residuals" << false;
    QTest::newRow("SVG with both 95% bands") << "bands.svg" << "origin" << true;
  }
  void pictureOfTheWindow() {
    QFETCH(QString, name);
    QFETCH(QString, view);
    QFETCH(bool, bands);
    Program p;
    p.desktop.fileNames = {dir_.filePath("a.ovt")};
    p.form1.O1->trigger();
    // The window opens data files only: the text columns come as a paste.
    p.form1.StringGrid2->SetCurrent(1, 1);
    p.form1.StringGrid2->PasteText(QString::fromUtf8(kFiles[1].bytes));
    p.form1.RadioGroup1->SetItemIndex(2);
    p.form1.RadioGroup2->SetItemIndex(1);
    p.form1.CheckBox1->setChecked(true);
    if (view == "data") p.form2.Views->FitData->trigger();
    if (view == "residuals") p.form2.Views->Residuals->trigger();
    if (bands) {
      p.form2.Views->Confidence->trigger();
      p.form2.Views->Prediction->trigger();
    }
    p.form1.Button1->click();
    p.desktop.fileNames = {dir_.filePath(name)};
    p.form2.Views->SavePicture->trigger();
    QVERIFY(p.desktop.boxes.isEmpty());

    const QString script = "s-" + name;
    QStringList arguments{"--picture", script, "--formula", "2",     "--band",
                          "1",         "--view", view,      "--series2", "a.ovt", "b.tsv"};
    if (bands) arguments << "--confidence" << "--prediction";
    const Run run = Script(dir_.path(), arguments);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 0);
    const QByteArray saved = Content(dir_.filePath(name));
    QVERIFY(saved.startsWith(name.endsWith("svg") ? "<?xml" : "\x89PNG"));
    QCOMPARE(Content(dir_.filePath(script)), saved);
  }
};

QTEST_MAIN(TestScript)
#include "test_script.moc"

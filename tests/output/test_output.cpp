// The output module as the program loads it: found beside the program, or refused with the
// message that names the file; and what its table does with what the program hands it.

#include <dlfcn.h>

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include "core/messages.h"
#include "output/output.h"

using namespace orvelt;

namespace {

// The file of a library this test has loaded anyway, which has no table of ours.
QString LibraryOf(const void* symbol) {
  Dl_info info{};
  return dladdr(symbol, &info) && info.dli_fname ? QFile::decodeName(info.dli_fname) : QString();
}

QString RefusalOf(const QString& file) {
  try {
    LoadOutput(file);
  } catch (const CommandError& e) {
    return QString::fromUtf8(e.what());
  }
  return QStringLiteral("loaded");
}

}  // namespace

class TestOutput : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  // The module and the manual lie beside the program's file.
  void besideProgram_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("installed") << "/usr/libexec/orvelt/orvelt" << kOutputModule
                               << "/usr/libexec/orvelt/orvelt-output.so";
    QTest::newRow("root folder") << "/orvelt" << "orvelta.hlp" << "/orvelta.hlp";
    QTest::newRow("no folder") << "orvelt" << "orvelta.hlp" << "orvelta.hlp";
    QTest::newRow("dots in the folder") << "/opt/a.b/orvelt" << "orvelta.hlp"
                                        << "/opt/a.b/orvelta.hlp";
  }
  void besideProgram() {
    QFETCH(QString, program);
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(BesideProgram(program, name), file);
  }

  // Beside this program, as the build puts it; the same table however often it is loaded.
  void found() {
    const QString beside = BesideThisProgram(kOutputModule);
    QVERIFY(QFile::exists(beside));
    const Output& output = LoadOutput(beside);
    QCOMPARE(&LoadOutput(beside), &output);
    QCOMPARE(&ProgramOutput(), &output);
  }

  // Anything else is the one failure, naming the file looked for.
  void refused_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("missing") << dir_.filePath("orvelt-output.so");
    QTest::newRow("a folder") << dir_.path();
    QTest::newRow("not a library") << QStringLiteral(__FILE__);
    QTest::newRow("a library without the table") << LibraryOf(reinterpret_cast<void*>(&qVersion));
  }
  void refused() {
    QFETCH(QString, file);
    QVERIFY(!file.isEmpty());
    QCOMPARE(RefusalOf(file), QStringLiteral("印刷と SVG の部品 %1 を読み込めません").arg(file));
  }

  // The document of the size given, its title and description as given, and what was painted.
  void svg() {
    const QByteArray svg =
        ProgramOutput().Svg(QSize(30, 20), QStringLiteral("a &amp; b"), QStringLiteral("made"),
                            [](QPainter& p) { p.fillRect(QRect(1, 2, 3, 4), QColor(1, 2, 3)); });
    QVERIFY(svg.startsWith("<?xml"));
    QVERIFY(svg.contains("viewBox=\"0 0 30 20\""));
    QVERIFY(svg.contains("<title>a &amp; b</title>"));
    QVERIFY(svg.contains("<desc>made</desc>"));
    QVERIFY(svg.contains("fill=\"#010203\""));
  }

  // The printer comes to the dialog named; a cancelled dialog prints nothing, a PDF file chosen
  // there is handed back with the page chosen, not painted.
  void print_data() {
    QTest::addColumn<QString>("chosen");
    QTest::newRow("cancelled") << QString();
    QTest::newRow("to a PDF file") << dir_.filePath("p.pdf");
  }
  void print() {
    QFETCH(QString, chosen);
    const QPageLayout a5(QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF(5, 6, 7, 8),
                         QPageLayout::Millimeter);
    QStringList seen;
    PrintJob job;
    job.title = QStringLiteral("y = ax");
    job.creator = QStringLiteral("maker");
    job.offeredFile = dir_.filePath("offered.pdf");
    job.dialog = [&](QPrinter& printer) {
      seen << "dialog " + printer.docName() + " " + printer.creator();
      if (chosen.isEmpty()) return false;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(chosen);
      printer.setPageLayout(a5);
      return true;
    };
    job.toFile = [&](const QString& file, const QPageLayout& page) {
      seen << "file " + file;
      QVERIFY(page.isEquivalentTo(a5));
    };
    job.paint = [&](QPainter&, const QRectF&) { seen << QStringLiteral("painted"); };
    QVERIFY(ProgramOutput().Print(job));
    QStringList expected{"dialog y = ax maker"};
    if (!chosen.isEmpty()) expected << "file " + chosen;
    QCOMPARE(seen, expected);
  }
};

QTEST_MAIN(TestOutput)
#include "test_output.moc"

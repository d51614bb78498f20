// The manual quotes the program: every caption and message it quotes is one the program shows,
// every message the program can show and every menu command is in it, and every link inside it
// leads to a place in it.

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <cerrno>
#include <functional>

#include "app/errors.h"
#include "app/help.h"
#include "app/helpviewer.h"
#include "core/messages.h"
#include "files/fileio.h"
#include "files/seriesfile.h"
#include "graph/views.h"
#include "output/output.h"
#include "tests/ui/program.h"
#include "ui/controls.h"
#include "ui/edits.h"
#include "ui/statistics.h"

namespace {

QString ReadManual() {
  QFile f(QStringLiteral(ORVELT_MANUAL));
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

QString Unescape(QString text) {
  text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&#39;", "'");
  return text.replace("&amp;", "&");
}

// A caption as the user reads it: the access key's "&" gone ("&&" stays one "&").
QString WithoutAccessKey(QString caption) {
  static const QRegularExpression single(QStringLiteral("&(?!&)"));
  return caption.remove(single).replace("&&", "&");
}

// HTML shows every run of white space as one blank.
QString Collapsed(const QString& text) {
  return text.simplified();
}

struct Quote {
  QString source;  // as written in the manual
  QRegularExpression pattern;
};

// The contents of every <tag class="cls"> element; <var> parts (a row number, a value, a path)
// stand for any text of one line.
QList<Quote> Quotes(const QString& html, const QString& tag, const QString& cls, bool collapse) {
  QList<Quote> quotes;
  const QRegularExpression element(
      QStringLiteral("<%1 class=\"%2\">(.*?)</%1>").arg(tag, cls),
      QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression var(QStringLiteral("<var>(.*?)</var>"));
  for (auto m = element.globalMatch(html); m.hasNext();) {
    const QString inner = m.next().captured(1);
    QString pattern;
    qsizetype at = 0;
    auto literal = [&](QString part) {
      part = Unescape(part);
      if (collapse) part.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
      pattern += QRegularExpression::escape(part);
    };
    for (auto v = var.globalMatch(inner); v.hasNext();) {
      const auto vm = v.next();
      literal(inner.mid(at, vm.capturedStart() - at));
      pattern += QStringLiteral("[^\\n]+");
      at = vm.capturedEnd();
    }
    literal(inner.mid(at));
    if (collapse) pattern = pattern.trimmed();
    quotes << Quote{inner, QRegularExpression(QRegularExpression::anchoredPattern(pattern))};
  }
  return quotes;
}

bool Matches(const Quote& quote, const QStringList& texts) {
  for (const QString& t : texts)
    if (quote.pattern.match(t).hasMatch()) return true;
  return false;
}

void AddMenu(QMenu* menu, QStringList& out) {
  out << WithoutAccessKey(menu->title());
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    if (a->menu()) {
      AddMenu(a->menu(), out);
    } else {
      out << WithoutAccessKey(a->text());
    }
  }
}

// Every caption the windows show as they stand: titles, menus, controls, tooltips, grid headers,
// the file dialogs' file kinds and the boxes' buttons.
QStringList StandingCaptions(Program& p) {
  QStringList texts{p.form1.windowTitle(), p.form2.windowTitle(), kHelpTitle, kAppTitle};
  for (QAction* a : p.form1.MainMenu1->actions())
    if (a->menu()) AddMenu(a->menu(), texts);
  AddMenu(p.form2.Views->Menu, texts);
  for (QAbstractButton* b : p.form1.findChildren<QAbstractButton*>()) texts << b->text();
  for (QGroupBox* g : p.form1.findChildren<QGroupBox*>()) texts << g->title();
  for (QLabel* l : p.form1.findChildren<QLabel*>()) texts << l->text();
  for (QWidget* w : p.form1.findChildren<QWidget*>())
    if (!w->toolTip().isEmpty()) texts << w->toolTip();
  for (DataGrid* grid : {p.form1.StringGrid1, p.form1.StringGrid2}) {
    for (int c = 0; c < grid->ColCount(); ++c) texts << grid->Cell(c, 0);
    for (int r = 1; r <= 20; ++r) texts << grid->Cell(0, r);
  }
  for (const FileDialog* dialog : {&p.form1.OpenDialog1, &p.form1.PictureDialog1}) {
    const QStringList filter = dialog->filter.split('|');
    for (int i = 0; i < filter.size(); i += 2) texts << filter[i];
  }
  for (const QString& b : {kYesCaption, kNoCaption, kOkCaption}) texts << WithoutAccessKey(b);
  return texts;
}

// The statistics window's captions after a fit: its title, the parts' titles, the tables'
// headers, the summary's captions and the button; and what it says without a fit.
QStringList StatisticsCaptions() {
  Program p;
  QStringList texts;
  p.form2.Views->Statistics->trigger();
  texts << p.form1.Statistics()->NoResult->text();
  p.Fill({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "7"}});
  p.form1.Button1->click();
  QCoreApplication::processEvents();
  StatisticsWindow* w = p.form1.Statistics();
  texts << w->windowTitle() << WithoutAccessKey(w->CopyButton->text());
  for (QLabel* l : w->findChildren<QLabel*>()) texts << l->text();
  for (QTableWidget* table : w->findChildren<QTableWidget*>())
    for (int c = 0; c < table->columnCount(); ++c) texts << table->horizontalHeaderItem(c)->text();
  for (int r = 0; r < w->Summary->rowCount(); ++r) texts << w->Summary->item(r, 0)->text();
  return texts;
}

void Choose(Program& p, int kind) {
  p.form1.RadioGroup1->SetItemIndex(kind);
}

void Compute(Program& p, int kind, std::initializer_list<Row> rows) {
  Choose(p, kind);
  p.Fill(rows);
  p.form1.Button1->click();
}

QByteArray DataFile(const QByteArray& firstLine) {
  QByteArray bytes = firstLine + "\r\n";
  for (int i = 0; i < 60; ++i) bytes += "\r\n";
  return bytes;
}

// What the program shows while it is used: the boxes of every command that gives one, and the
// result labels of fits of every kind.
struct Shown {
  QStringList messages, boxCaptions, labels;
};

Shown Use() {
  Shown shown;
  QTemporaryDir dir;
  auto path = [&](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
  {
    QFile existing(path("old.ovt"));
    existing.open(QIODevice::WriteOnly);
    existing.write(DataFile("ovt110"));
    QFile wrong(path("wrong.ovt"));
    wrong.open(QIODevice::WriteOnly);
    wrong.write(DataFile("OVT110"));
  }
  const std::function<void(Program&)> uses[] = {
      // The compute command: every check, every refusal, the arithmetic that fails.
      [](Program& p) { Compute(p, 0, {{1, "1", "2"}, {3, "abc", "4"}}); },
      [](Program& p) { Compute(p, 0, {{2, "1", "1,5"}}); },
      [](Program& p) {
        p.form1.CheckBox1->setChecked(true);
        p.Fill({{4, "x", "1"}}, p.form1.StringGrid2);
        Compute(p, 0, {{1, "1", "2"}, {2, "2", "3"}});
      },
      [](Program& p) {
        p.form1.CheckBox1->setChecked(true);
        p.Fill({{5, "1", "y"}}, p.form1.StringGrid2);
        Compute(p, 0, {{1, "1", "2"}, {2, "2", "3"}});
      },
      [](Program& p) { Compute(p, 1, {}); },
      [](Program& p) { Compute(p, 0, {{1, "1", "2"}}); },
      [](Program& p) { Compute(p, 1, {{1, "0", "5"}}); },
      [](Program& p) { Compute(p, 2, {{1, "2", "1"}, {2, "2", "3"}}); },
      [](Program& p) { Compute(p, 0, {{1, "2", "1"}, {2, "2", "3"}, {3, "5", "0", "Omit"}}); },
      [](Program& p) { Compute(p, 0, {{1, "1e39", "1"}, {2, "2", "3"}}); },
      // Fits of every kind, with the y calculation after them.
      [](Program& p) { Compute(p, 0, {{1, "1", "2"}, {2, "2", "4"}, {3, "3", "6"}}); },
      [](Program& p) {
        Compute(p, 1, {{1, "2", "6"}});
        p.form1.Edit1->setText(QStringLiteral("3 "));
        p.form1.Button2->click();
        p.form1.Edit1->setText(QStringLiteral("1e39"));
        p.form1.Button2->click();
      },
      [](Program& p) { Compute(p, 2, {{1, "0", "1"}, {2, "1", "2"}, {3, "2", "5"}, {4, "3", "10"}}); },
      [](Program& p) { Compute(p, 3, {{1, "1", "3"}, {2, "2", "8"}, {3, "3", "15"}}); },
      // Erasing, answered No.
      [](Program& p) {
        p.desktop.answers = {false, false, false};
        p.form1.E1->trigger();
        p.form1.E2->trigger();
        p.form1.EA->trigger();
      },
      // The files: the overwrite question, a cell that cannot be saved, a series too long for
      // a file, a folder that is not there, a missing file, a file that is no data file.
      [&](Program& p) {
        p.desktop.answers = {false};
        p.desktop.fileNames = {path("old.ovt")};
        p.form1.S1->trigger();
      },
      [&](Program& p) {
        p.Fill({{2, "1", "2〜"}});
        p.desktop.fileNames = {path("new1.ovt")};
        p.form1.S1->trigger();
        p.Fill({{3, "〜", "1"}}, p.form1.StringGrid2);
        p.desktop.fileNames = {path("new2.ovt")};
        p.form1.S2->trigger();
      },
      [&](Program& p) {
        p.form1.StringGrid1->SetCell(1, 1, QString(kMaxSeriesFileBytes, u'9'));
        p.desktop.fileNames = {path("huge.ovt")};
        p.form1.S1->trigger();
      },
      [&](Program& p) {
        p.desktop.fileNames = {path("no/such/folder.ovt")};
        p.form1.S1->trigger();
      },
      // The graph's picture saved where it cannot be, which names the file.
      [&](Program& p) {
        p.desktop.fileNames = {path("no/such/folder.png")};
        p.form2.Views->SavePicture->trigger();
      },
      [&](Program& p) {
        p.desktop.fileNames = {path("absent.ovt"), path("wrong.ovt")};
        p.form1.O1->trigger();
        p.form1.O2->trigger();
      },
      // More files on the command line than there are series.
      [&](Program& p) { p.form1.OpenFiles({path("old.ovt"), path("old.ovt"), "c.ovt"}); },
      // A paste too long for a cell.
      [](Program& p) {
        QGuiApplication::clipboard()->setText(QString(kMaxCellLength + 1, u'1'));
        QTest::keyClick(p.form1.StringGrid1->Editor(), Qt::Key_V, Qt::ControlModifier);
      },
      // The graph window lost, the version, the help file missing and unreadable.
      [](Program& p) {
        p.form2.hide();
        p.form1.G1->trigger();
      },
      [](Program& p) { p.form1.About1->trigger(); },
      // The module that saves SVG and prints missing, as those commands would find it.
      [&](Program& p) {
        RunCommand(p.desktop, [&] { LoadOutput(path("missing/orvelt-output.so")); });
      },
      [&](Program& p) {
        ShowHelpWindow(p.desktop, &p.form1, path("missing/orvelta.hlp"));
        ShowHelpWindow(p.desktop, &p.form1, dir.path());
      },
  };
  for (const auto& use : uses) {
    Program p;
    use(p);
    for (const Box& b : p.desktop.boxes) {
      shown.messages << b.text;
      shown.boxCaptions << b.caption;
    }
    shown.labels << p.Labels();
  }
  // The failures of the system's file calls that no test can bring about as root, shown as the
  // general error box shows every failure.
  for (int error : {ENOENT, ENOTDIR, EMFILE, EACCES, EROFS, ENOSPC})
    shown.messages << GeneralErrorText(QString::fromStdString(IoErrorText(error)));
  // Nor a C library without the Shift-JIS conversion, nor a failure of no known kind.
  shown.messages << GeneralErrorText(
      QString::fromStdString(MessageText(kNoConversion, {"CP932", "UTF-32LE"})));
  shown.messages << GeneralErrorText(QString::fromUtf8(kUnknownError.text));
  return shown;
}

}  // namespace

class TestManual : public QObject {
  Q_OBJECT

  QString html_;
  Shown shown_;
  QStringList captions_;

 private slots:
  void initTestCase() {
    html_ = ReadManual();
    QVERIFY2(!html_.isEmpty(), ORVELT_MANUAL);
    shown_ = Use();
    Program p;
    captions_ = StandingCaptions(p) + shown_.boxCaptions + shown_.labels + StatisticsCaptions();
    for (QString& c : captions_) c = Collapsed(c);
  }

  // The scenarios above do reach what they are meant to: a check of the check.
  void everyUseShowsSomething() {
    for (const char* expected :
         {"正しい数字ではありません\n\n  Data No. 3 の x", "浮動小数点数のオーバーフロー.",
          "不正な浮動小数点数演算命令.", "保存できない文字があります\n\n系列２ Data No. 3 の x",
          "不正なファイル名です.", "無効/非表示ウィンドウにはフォーカスを設定できません.",
          "指定されたファイルは読めません", "セルの文字が長すぎます\n\nセルは 1048576 文字までです"})
      QVERIFY2(shown_.messages.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(shown_.labels.contains(QStringLiteral("c =   1.00000")));
  }

  // Every message of the program's table is shown by one of the uses above, and so is held to
  // the manual by the tests below: its text up to its first part begins a message shown.
  void everyMessageOfTheTableIsShown() {
    QStringList unshown;
    for (const Message* message : AllMessages()) {
      const QString head = QString::fromUtf8(message->text).section(QLatin1Char('%'), 0, 0);
      const bool found = std::any_of(shown_.messages.begin(), shown_.messages.end(),
                                     [&](const QString& m) { return m.startsWith(head); });
      if (!found) unshown << head;
    }
    QVERIFY2(unshown.isEmpty(), qPrintable("no use shows: " + unshown.join(" | ")));
  }

  void quotedCaptionsAreShown() {
    const QList<Quote> quotes = Quotes(html_, "span", "ui", true);
    QVERIFY(quotes.size() > 100);
    QStringList wrong;
    for (const Quote& q : quotes)
      if (!Matches(q, captions_)) wrong << q.source;
    QVERIFY2(wrong.isEmpty(), qPrintable("not shown by the program: " + wrong.join(" | ")));
  }

  void quotedMessagesAreShown() {
    const QList<Quote> quotes = Quotes(html_, "pre", "message", false);
    QStringList wrong;
    for (const Quote& q : quotes)
      if (!Matches(q, shown_.messages)) wrong << q.source;
    QVERIFY2(wrong.isEmpty(), qPrintable("not shown by the program: " + wrong.join(" | ")));
  }

  void everyMessageIsInTheManual() {
    const QList<Quote> quotes = Quotes(html_, "pre", "message", false);
    QStringList missing;
    for (const QString& m : shown_.messages) {
      const bool found = std::any_of(quotes.begin(), quotes.end(),
                                     [&](const Quote& q) { return q.pattern.match(m).hasMatch(); });
      if (!found) missing << m;
    }
    missing.removeDuplicates();
    QVERIFY2(missing.isEmpty(), qPrintable("not in the manual: " + missing.join(" | ")));
  }

  void everyMenuCommandIsInTheManual() {
    Program p;
    QStringList items;
    for (QAction* a : p.form1.MainMenu1->actions())
      if (a->menu()) AddMenu(a->menu(), items);
    QCOMPARE(items.size(), 24);
    // And the graph window's context menu, whose title is empty.
    AddMenu(p.form2.Views->Menu, items);
    items.removeAll(QString());
    QCOMPARE(items.size(), 32);
    QSet<QString> quoted;
    for (const Quote& q : Quotes(html_, "span", "ui", true)) quoted << Unescape(q.source).simplified();
    QStringList missing;
    for (const QString& item : items)
      if (!quoted.contains(item)) missing << item;
    QVERIFY2(missing.isEmpty(), qPrintable("not in the manual: " + missing.join(" | ")));
  }

  // The keys the keyboard section gives to take a change back and make it again are those the
  // grids take, and the history's bounds it states are the program's.
  void undoKeysAndBoundsAreThePrograms() {
    const QString keyboard = html_.section(QStringLiteral("<h2 id=\"keyboard\">"), 1)
                                 .section(QStringLiteral("<h2"), 0, 0);
    auto keys = [&](const QString& kind) {
      static const QRegularExpression kbd(QStringLiteral("<kbd class=\"(\\w+)\">(.*?)</kbd>"));
      QList<QKeyCombination> found;
      for (auto m = kbd.globalMatch(keyboard); m.hasNext();) {
        const auto match = m.next();
        if (match.captured(1) == kind)
          found << QKeySequence::fromString(match.captured(2).remove(' '))[0];
      }
      return found;
    };
    const QList<QKeyCombination> undo = keys(QStringLiteral("undo")),
                                 redo = keys(QStringLiteral("redo"));
    QCOMPARE(undo, QList<QKeyCombination>(kUndoKeys.begin(), kUndoKeys.end()));
    QCOMPARE(redo, QList<QKeyCombination>(kRedoKeys.begin(), kRedoKeys.end()));
    auto stated = [&](const char* cls) {
      QStringList texts;
      const QRegularExpression span(
          QStringLiteral("<span class=\"%1\">(.*?)</span>").arg(QLatin1String(cls)));
      for (auto m = span.globalMatch(html_); m.hasNext();) texts << m.next().captured(1);
      return texts;
    };
    QCOMPARE(stated("history-steps"), QStringList(2, QString::number(EditHistory::kMaxSteps)));
    QCOMPARE(stated("history-bytes"),
             QStringList(2, QStringLiteral("%1 MiB").arg(EditHistory::kMaxBytes >> 20)));
  }

  // As Qt reads the file: every link points at a name in it, and the table of contents comes
  // first and leads to every section.
  void linksResolve() {
    QTextDocument doc;
    doc.setHtml(html_);
    QStringList hrefs;
    QSet<QString> names;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
      for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        for (const QString& n : f.anchorNames()) names << n;
        if (f.isAnchor() && !f.anchorHref().isEmpty() && !hrefs.contains(f.anchorHref()))
          hrefs << f.anchorHref();
      }
      for (const QString& n : b.charFormat().anchorNames()) names << n;
    }
    QVERIFY(hrefs.size() > 14);
    QStringList broken;
    for (const QString& h : hrefs)
      if (!h.startsWith('#') || !names.contains(h.mid(1))) broken << h;
    QVERIFY2(broken.isEmpty(), qPrintable("links that lead nowhere: " + broken.join(' ')));

    static const QRegularExpression section(QStringLiteral("<h2 id=\"([^\"]+)\">"));
    QStringList sections;
    for (auto m = section.globalMatch(html_); m.hasNext();) sections << m.next().captured(1);
    QVERIFY(sections.size() > 10);
    QCOMPARE(sections.first(), QStringLiteral("contents"));
    const QString contents = html_.section(QStringLiteral("<h2 id=\"contents\">"), 1).section(
        QStringLiteral("</ol>"), 0, 0);
    for (const QString& s : sections.mid(1))
      QVERIFY2(contents.contains("href=\"#" + s + "\""), qPrintable(s + " is not in the contents"));
  }
};

QTEST_MAIN(TestManual)
#include "test_manual.moc"

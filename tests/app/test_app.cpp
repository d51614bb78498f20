#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstring>

#include "app/commandline.h"
#include "app/desktop.h"
#include "app/errors.h"
#include "app/help.h"
#include "app/helpviewer.h"
#include "tests/scripted_desktop.h"

using namespace orvelt;

Q_DECLARE_METATYPE(orvelt::BoxButtons)

namespace {

// Runs `handle` on the first modal dialog of the kind that opens.
template <class Dialog>
void WhenOpens(std::function<void(Dialog*)> handle) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, handle] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    handle(dialog);
  });
  timer->start(10);
}

// Runs `inspect` on the first modal box that opens, then closes it with `key`.
void WhenBoxOpens(std::function<void(QMessageBox*)> inspect, Qt::Key key) {
  WhenOpens<QMessageBox>([inspect, key](QMessageBox* box) {
    inspect(box);
    QTest::keyClick(box, key);
  });
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes), bytes.size());
}

// A manual long enough to scroll, with a table of contents linking to its last section.
QByteArray Manual(const char* title) {
  QByteArray html = QByteArray("<html><head><meta charset=\"utf-8\"></head><body><h1>") + title +
                    "</h1><h2 id=\"contents\">目次</h2><p><a href=\"#last\">最後</a></p>";
  for (int i = 0; i < 200; ++i) html += "<p>本文 " + QByteArray::number(i) + "</p>";
  return html + "<h2 id=\"last\">最後の節</h2><p>終わり</p></body></html>";
}

HelpViewer* ViewerOf(QWidget& owner) {
  const QList<HelpViewer*> viewers = owner.findChildren<HelpViewer*>();
  return viewers.size() == 1 ? viewers.first() : nullptr;
}

QStringList ButtonTexts(QMessageBox* box) {
  QStringList texts;
  for (QAbstractButton* b : box->buttons()) texts << b->text();
  texts.sort();
  return texts;
}

// The names of the files in the folder watched by `watch` that were opened since the last call.
QStringList OpenedFiles(int watch) {
  QStringList names;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;) {
    for (char* at = buffer; at < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      if (event->len > 0) names << QString::fromUtf8(event->name);
      at += sizeof(inotify_event) + event->len;
    }
  }
  return names;
}

// Lets `model` list `folder` and asks it for everything a view shows of each entry.
void ShowEverything(QFileSystemModel* model, const QString& folder) {
  QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
  const QModelIndex root = model->setRootPath(folder);
  if (model->rowCount(root) < 2) QVERIFY(loaded.wait(5000));
  QTest::qWait(200);  // the gatherer's second pass, which brings icons and types
  for (int row = 0; row < model->rowCount(root); ++row)
    for (int column = 0; column < model->columnCount(root); ++column)
      for (int role : {Qt::DisplayRole, Qt::DecorationRole})
        model->data(model->index(row, column, root), role);
}

}  // namespace

class TestApp : public QObject {
  Q_OBJECT

 private slots:
  void fullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    auto row = [](const char* name, const char* message, const char* shown) {
      QTest::newRow(name) << QString::fromUtf8(message) << QString::fromUtf8(shown);
    };
    row("Japanese", "浮動小数点数のオーバーフロー", "浮動小数点数のオーバーフロー.");
    row("letter", "abc", "abc.");
    row("digit", "Error 5", "Error 5.");
    row("empty", "", "");
    row("full stop", "done.", "done.");
    row("parenthesis", "I/O エラー (28)", "I/O エラー (28)");
    row("blank", "text ", "text ");
    row("line break", "text\n", "text\n");
    row("exclamation", "stop!", "stop!");
    row("minus", "x-", "x-");
    row("slash is above the full stop", "a/", "a/.");
    row("Japanese full stop", "です。", "です。.");
  }
  void fullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(GeneralErrorText(message), shown);
    const Box box = GeneralErrorBox(message);
    QCOMPARE(box.caption, QStringLiteral("オルヴェルト"));
    QCOMPARE(box.icon, BoxIcon::Error);
    QCOMPARE(box.buttons, BoxButtons::Ok);
  }

  void guardShowsWhatEscapes() {
    ScriptedDesktop desktop;
    bool after = false;
    RunCommand(desktop, [] { throw CommandError(kIoError, {"28"}); });
    RunCommand(desktop, [] { throw CommandError(kInvalidOperation); });
    RunCommand(desktop, [] { throw std::runtime_error("broken"); });
    RunCommand(desktop, [&] { after = true; });
    QCOMPARE(desktop.TakeTexts(), (QStringList{QStringLiteral("I/O エラー (28)"),
                                               QStringLiteral("不正な浮動小数点数演算命令."),
                                               QStringLiteral("broken.")}));
    QVERIFY(after);
  }

  void placement_data() {
    QTest::addColumn<QPoint>("window");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("left");  // -1: centred
    QTest::addColumn<int>("top");
    QTest::newRow("on screen") << QPoint(100, 50) << 130 << 230 << 200;
    QTest::newRow("at the origin") << QPoint(0, 0) << 110 << 110 << 150;
    QTest::newRow("left edge beyond the screen") << QPoint(-126, 40) << 125 << -1 << 190;
    QTest::newRow("exactly zero") << QPoint(-125, -150) << 125 << 0 << 0;
    QTest::newRow("top beyond the screen") << QPoint(10, -151) << 140 << 150 << -1;
  }
  void placement() {
    QFETCH(QPoint, window);
    QFETCH(int, offset);
    QFETCH(int, left);
    QFETCH(int, top);
    Box box;
    PlaceBox(box, window, offset);
    QCOMPARE(box.left.value_or(-1), left);
    QCOMPARE(box.top.value_or(-1), top);
  }

  // Each kind of box as a message names it: caption, icon, buttons, place and alert.
  void kinds_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("alert");
    QTest::addColumn<QString>("shown");  // caption, icon, buttons, place from the window, sound
    const auto row = [](const char* name, BoxKind kind, bool alert, const char* shown) {
      QTest::newRow(name) << int(kind) << alert << QString::fromUtf8(shown);
    };
    row("warning question", BoxKind::WarningQuestion, false, "警告 1 yes-no +120+150 quiet");
    row("warning notice", BoxKind::WarningNotice, false, "警告 1 ok +120+150 quiet");
    row("error with alert", BoxKind::Error, true, "エラー 2 ok +120+150 beep");
    row("confirmation", BoxKind::Confirmation, false, "確認 3 yes-no +120+150 quiet");
    row("plain", BoxKind::Plain, true, "オルヴェルト 0 ok +120+150 beep");
    row("general error", BoxKind::General, false, "オルヴェルト 2 ok centred quiet");
    row("help viewer's", BoxKind::Help, false, "オルヴェルト ヘルプ 1 ok centred quiet");
  }
  void kinds() {
    QFETCH(int, kind);
    QFETCH(bool, alert);
    QFETCH(QString, shown);
    QWidget window;
    window.move(40, 30);
    const Message message{static_cast<BoxKind>(kind), 120, alert, ""};
    const Box box = BoxFor(message, QStringLiteral("text"), &window);
    const QPoint corner = window.frameGeometry().topLeft();
    const QString place = box.left ? QStringLiteral("+%1+%2")
                                         .arg(*box.left - corner.x())
                                         .arg(box.top.value_or(-1) - corner.y())
                                   : QStringLiteral("centred");
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(box.caption)
                 .arg(int(box.icon))
                 .arg(box.buttons == BoxButtons::YesNo ? "yes-no" : "ok", place,
                      box.beep ? "beep" : "quiet"),
             shown);
    QVERIFY(box.left.has_value() == box.top.has_value());
  }

  // The real boxes: captions, icons, button texts, default and Escape buttons, position.
  void realYesNoBox_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Enter answers Yes") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape answers No") << int(Qt::Key_Escape) << false;
  }
  void realYesNoBox() {
    QFETCH(int, key);
    QFETCH(bool, answer);
    QtDesktop desktop;
    Box box{QStringLiteral("確認"),
            QStringLiteral("系列１のデータを消去しますか？"),
            BoxIcon::Question,
            BoxButtons::YesNo,
            200,
            170,
            false};
    bool inspected = false;
    WhenBoxOpens(
        [&](QMessageBox* shown) {
          inspected = true;
          QCOMPARE(shown->windowTitle(), box.caption);
          QCOMPARE(shown->text(), box.text);
          QCOMPARE(shown->icon(), QMessageBox::Question);
          QCOMPARE(ButtonTexts(shown),
                   (QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)")}));
          QCOMPARE(shown->defaultButton()->text(), QStringLiteral("はい(&Y)"));
          QCOMPARE(shown->frameGeometry().topLeft(), QPoint(200, 170));
        },
        Qt::Key(key));
    QCOMPARE(desktop.Show(box), answer);
    QVERIFY(inspected);
  }

  void realOkBox_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
  }
  void realOkBox() {
    QFETCH(int, key);
    QtDesktop desktop;
    const Box box{QStringLiteral("エラー"),
                  QStringLiteral("正しい数字ではありません"),
                  BoxIcon::Error,
                  BoxButtons::Ok,
                  std::nullopt,
                  10,
                  false};
    bool inspected = false;
    WhenBoxOpens(
        [&](QMessageBox* shown) {
          inspected = true;
          QCOMPARE(shown->icon(), QMessageBox::Critical);
          QCOMPARE(ButtonTexts(shown), QStringList{QStringLiteral("OK")});
          // No left: centred along that axis.
          const QRect screen = QGuiApplication::primaryScreen()->geometry();
          QVERIFY(qAbs(shown->frameGeometry().center().x() - screen.center().x()) <= 1);
          QCOMPARE(shown->frameGeometry().top(), 10);
        },
        Qt::Key(key));
    QVERIFY(desktop.Show(box));
    QVERIFY(inspected);
  }

  // Boxes and dialogs are transient for the main window, so that a compositor that places them
  // itself puts them over it; the position asked for still holds where positions are kept.
  void boxesAndDialogsBelongToTheMainWindow() {
    QWidget main;
    main.setWindowTitle(QStringLiteral("main"));
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget other;  // active when the box comes: not the owner
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    QtDesktop desktop;
    desktop.SetMainWindow(&main);
    const Box box{QStringLiteral("エラー"),
                  QStringLiteral("ファイルが見つかりません"),
                  BoxIcon::Error,
                  BoxButtons::Ok,
                  230,
                  190,
                  false};
    QWidget* boxParent = nullptr;
    QWindow* transientFor = nullptr;
    QPoint at;
    WhenBoxOpens(
        [&](QMessageBox* shown) {
          boxParent = shown->parentWidget();
          transientFor = shown->windowHandle()->transientParent();
          at = shown->frameGeometry().topLeft();
        },
        Qt::Key_Return);
    desktop.Show(box);
    QCOMPARE(boxParent, &main);
    QCOMPARE(transientFor, main.windowHandle());
    QCOMPARE(at, QPoint(230, 190));

    FileDialog dialog;
    dialog.filter = QStringLiteral("a|*.ovt");
    QWidget* dialogParent = nullptr;
    WhenOpens<QFileDialog>([&](QFileDialog* d) {
      dialogParent = d->parentWidget();
      d->reject();
    });
    QVERIFY(!desktop.Run(dialog));
    QCOMPARE(dialogParent, &main);

    QPrinter printer;
    QWidget* printParent = nullptr;
    WhenOpens<QPrintDialog>([&](QPrintDialog* d) {
      printParent = d->parentWidget();
      d->reject();
    });
    QVERIFY(!desktop.RunPrintDialog(printer));
    QCOMPARE(printParent, &main);
  }

  // The command line: files in order, "--help" and "--version" answered, "--" ends the
  // options, anything else beginning with "-" refused, the first of them named.
  void commandLine_data() {
    using A = CommandLine::Action;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("refused");
    QTest::newRow("nothing") << QStringList() << int(A::Run) << QStringList() << QString();
    QTest::newRow("two files") << QStringList{"a.ovt", "データ 2.ovt"} << int(A::Run)
                               << QStringList{"a.ovt", "データ 2.ovt"} << QString();
    QTest::newRow("three files, one a dash")
        << QStringList{"a", "-", "c"} << int(A::Run) << QStringList{"a", "-", "c"} << QString();
    QTest::newRow("help") << QStringList{"--help"} << int(A::Help) << QStringList() << QString();
    QTest::newRow("version after a file") << QStringList{"a.ovt", "--version"} << int(A::Version)
                                          << QStringList{"a.ovt"} << QString();
    QTest::newRow("help wins over version")
        << QStringList{"--version", "--help"} << int(A::Help) << QStringList() << QString();
    QTest::newRow("unknown long option") << QStringList{"a", "--verbose", "--help"}
                                         << int(A::Refuse) << QStringList{"a"} << "--verbose";
    QTest::newRow("the toolkit's options too")
        << QStringList{"-platform", "xcb"} << int(A::Refuse) << QStringList{"xcb"} << "-platform";
    QTest::newRow("an abbreviation")
        << QStringList{"--vers"} << int(A::Refuse) << QStringList() << "--vers";
    QTest::newRow("after --, names") << QStringList{"--", "--help", "-x.ovt", "--"} << int(A::Run)
                                     << QStringList{"--help", "-x.ovt", "--"} << QString();
  }
  void commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, files);
    QFETCH(QString, refused);
    const CommandLine line = ParseCommandLine(arguments);
    QCOMPARE(int(line.action), action);
    QCOMPARE(line.files, files);
    QCOMPARE(line.refused, refused);
  }

  // The script's options: its choices, or the problem told ("" when there is none). The options
  // as "report picture formula band view series2".
  void scriptLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("problem");
    auto row = [](const char* name, const char* line, const char* options, const char* problem) {
      QTest::newRow(name) << QString::fromUtf8(line).split('|') << options << problem;
    };
    row("report", "--report|a.ovt|b.csv", "1 - 0 0 origin -", "");
    row("every choice, values after = too",
        "-|--picture=g.svg|--formula|y = ax^2 + bx|--band=3|--view|data|--series2", "0 g.svg 3 3 data +",
        "");
    row("a formula by number", "--report|--formula=2|a", "1 - 2 0 origin -", "");
    row("the last value counts", "--report|--band|1|--picture|g.png|--band|2|a", "1 g.png 0 2 origin -",
        "");
    row("a formula that is none", "--report|--formula|y=ax|a", "1 - 0 0 origin -",
        "--formula needs 0 to 3 or a formula's text");
    row("a band past 3", "--picture|g.png|--band|4|a", "0 g.png 0 0 origin -", "--band needs 0, 1, 2 or 3");
    row("a view that is none", "--picture|g.png|--view|fit|a", "0 g.png 0 0 origin -",
        "--view needs origin, data or residuals");
    row("the residuals and both 95% bands", "--picture|g.png|--view=residuals|--prediction|--confidence|a",
        "0 g.png 0 0 residuals - cp", "");
    row("a 95% band", "--picture|g.pdf|--prediction|a", "0 g.pdf 0 0 origin - p", "");
    row("a 95% band without a picture", "--report|--confidence|a", "1 - 0 0 origin - c",
        "--confidence and --prediction need --picture");
    row("a value missing", "--report|a|--formula", "1 - 0 0 origin -", "--formula needs a value");
    row("an empty picture name", "--picture=|a", "0 - 0 0 origin -", "--picture needs a file name");
    row("choices without a script", "--series2|a", "0 - 0 0 origin +", "--series2 needs --report, --stats or --picture");
    row("a band without a picture", "--report|--band|1|a", "1 - 0 1 origin -",
        "--band and --view need --picture");
    row("no file", "--report", "1 - 0 0 origin -", "no FILE1 to read");
    row("three files", "--report|a|b|c", "1 - 0 0 origin -", "more than two files: c");
    row("standard input twice", "--report|-|-", "1 - 0 0 origin -", "standard input named twice");
    row("an unknown option first", "--bogus|--band|9", "0 - 0 0 origin -", "unknown option --bogus");
  }
  void scriptLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, options);
    QFETCH(QString, problem);
    const CommandLine line = ParseCommandLine(arguments);
    const ScriptOptions& o = line.script;
    const char* views[] = {"origin", "data", "residuals"};
    const QString bands = QString(o.confidence ? "c" : "") + (o.prediction ? "p" : "");
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6")
                 .arg(int(o.report))
                 .arg(o.picture.isEmpty() ? "-" : o.picture)
                 .arg(o.formula)
                 .arg(o.band)
                 .arg(views[o.view])
                 .arg(o.series2 ? '+' : '-'),
             options.section(' ', 0, 5));
    QCOMPARE(bands, options.section(' ', 6));
    QCOMPARE(line.problem, problem);
    QCOMPARE(line.action,
             problem.isEmpty() ? CommandLine::Action::Script : CommandLine::Action::Refuse);
    // --help answers a script's line too, unless it is refused.
    const CommandLine asked = ParseCommandLine(arguments + QStringList{"--help"});
    QCOMPARE(asked.action, problem.isEmpty() ? CommandLine::Action::Help : CommandLine::Action::Refuse);
  }

  // --stats makes a script as --report does, alone or beside it, with the same choices.
  void statsLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("report");
    QTest::addColumn<QString>("problem");
    QTest::newRow("alone") << QStringList{"--stats", "--formula", "1", "a.ovt"} << false << "";
    QTest::newRow("with the report") << QStringList{"--report", "--stats", "a.ovt"} << true << "";
    QTest::newRow("no file") << QStringList{"--stats"} << false << "no FILE1 to read";
    QTest::newRow("a band without a picture")
        << QStringList{"--stats", "--band", "1", "a.ovt"} << false
        << "--band and --view need --picture";
  }
  void statsLine() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, report);
    QFETCH(QString, problem);
    const CommandLine line = ParseCommandLine(arguments);
    QVERIFY(line.script.stats);
    QCOMPARE(line.script.report, report);
    QCOMPARE(line.problem, problem);
    QCOMPARE(line.action,
             problem.isEmpty() ? CommandLine::Action::Script : CommandLine::Action::Refuse);
  }

  // The terminal's texts: plain ASCII, the version that of the window's caption.
  void terminalTexts() {
    for (const QString& text : {UsageText(), VersionLines()}) {
      QVERIFY(text.endsWith('\n'));
      for (QChar c : text) QVERIFY2(c.unicode() < 128 && c.unicode() != 0, qPrintable(text));
    }
    QVERIFY(UsageText().startsWith(QStringLiteral("Usage: orvelt ")));
    for (const char* option : {"--help", "--version", "--report", "--stats", "--picture OUT",
                               "--formula K", "--band N", "--view V", "--confidence",
                               "--prediction", "--series2"})
      QVERIFY(UsageText().contains(QLatin1String(option)));
    const QString first = VersionLines().section('\n', 0, 0);
    QVERIFY(first.startsWith(QStringLiteral("orvelt ")));
    QVERIFY(kMainCaption.endsWith(QStringLiteral(" Ver. ") + first.mid(7)));
  }

  void nameFilters() {
    QCOMPARE(NameFilters(QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)|*.ovt|すべてのﾌｧｲﾙ(*.*)|*.*")),
             (QStringList{QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt) (*.ovt)"),
                          QStringLiteral("すべてのﾌｧｲﾙ(*.*) (*)")}));
    QCOMPARE(NameFilters(QStringLiteral("a|*.txt;*.csv")), QStringList{"a (*.txt;*.csv)"});
  }

  // The real dialog: Qt's own, both filters with the first chosen, the default extension
  // appended, no question of its own, and the name it last gave shown again.
  void realFileDialog_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("save") << int(FileDialog::Mode::Save);
    QTest::newRow("open") << int(FileDialog::Mode::Open);
  }
  void realFileDialog() {
    QFETCH(int, mode);
    QTemporaryDir dir;
    QFile existing(dir.filePath("data.ovt"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QtDesktop desktop;
    FileDialog dialog;
    dialog.mode = FileDialog::Mode(mode);
    dialog.filter = QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)|*.ovt|すべてのﾌｧｲﾙ(*.*)|*.*");
    dialog.defaultExt = QStringLiteral("ovt");
    dialog.fileName = dir.filePath("start.ovt");
    // What the dialog showed, read while it is open; checked once it has closed.
    struct Seen {
      bool qtOwn = false, noQuestion = false;
      QStringList filters;
      QString selectedFilter, shownName;
    };
    bool active = false;
    auto answer = [&](const QString& typed) {
      std::optional<Seen> seen;
      WhenOpens<QFileDialog>([&](QFileDialog* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        seen = Seen{d->testOption(QFileDialog::DontUseNativeDialog),
                    d->testOption(QFileDialog::DontConfirmOverwrite), d->nameFilters(),
                    d->selectedNameFilter(), edit ? edit->text() : QString()};
        if (edit) {
          // Typed as a person types: the name field has the focus in the active dialog.
          d->activateWindow();
          active = QTest::qWaitForWindowActive(d);
          edit->setFocus();
          edit->selectAll();
          QTest::keyClicks(edit, typed);
          QTest::keyClick(edit, Qt::Key_Return);
        } else {
          d->reject();
        }
      });
      const bool chosen = desktop.Run(dialog);
      return std::make_pair(chosen, seen.value_or(Seen{}));
    };
    auto [chosen, seen] = answer(QStringLiteral("data"));
    QVERIFY(chosen);
    QVERIFY(active);
    QVERIFY(seen.qtOwn);
    QVERIFY(seen.noQuestion);
    QCOMPARE(seen.filters.size(), 2);
    // The user sees the descriptions as they are written.
    QCOMPARE(seen.selectedFilter, QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)"));
    QCOMPARE(seen.shownName, QStringLiteral("start.ovt"));
    QCOMPARE(dialog.fileName, dir.filePath("data.ovt"));
    std::tie(chosen, seen) = answer(QStringLiteral("other.txt"));
    QVERIFY(chosen);
    QCOMPARE(seen.shownName, QStringLiteral("data.ovt"));
    QCOMPARE(dialog.fileName, dir.filePath("other.txt"));
    // The dialog hands a blank typed after the name on; it is no part of the name.
    std::tie(chosen, seen) = answer(QStringLiteral("trail "));
    QVERIFY(chosen);
    QCOMPARE(dialog.fileName, dir.filePath("trail.ovt"));
  }

  // Without a name to show, the dialog opens in the folder given; without a default extension
  // the name stays as typed, and the filter chosen comes back.
  void realFileDialogFolderAndFilter() {
    QTemporaryDir dir;
    QtDesktop desktop;
    FileDialog dialog;
    dialog.mode = FileDialog::Mode::Save;
    dialog.filter = QStringLiteral("P(*.png)|*.png|S(*.svg)|*.svg|D(*.pdf)|*.pdf");
    dialog.folder = dir.path();
    QString shownFolder, shownName = QStringLiteral("?");
    WhenOpens<QFileDialog>([&](QFileDialog* d) {
      shownFolder = d->directory().absolutePath();
      auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!edit) return d->reject();
      shownName = edit->text();
      d->selectNameFilter(d->nameFilters().at(1));
      edit->setText(QStringLiteral("graph"));
      QMetaObject::invokeMethod(d, "accept");
    });
    QVERIFY(desktop.Run(dialog));
    QCOMPARE(shownFolder, dir.path());
    QCOMPARE(shownName, QString());
    QCOMPARE(dialog.fileName, dir.filePath("graph"));
    QCOMPARE(dialog.chosenFilter, 1);
  }

  // A dialog's answer: blanks after a typed name dropped, the default extension appended.
  void chosenName_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("defaultExt");
    QTest::addColumn<QString>("name");
    QTest::newRow("bare name") << "@/data" << "ovt" << "@/data.ovt";
    QTest::newRow("own extension") << "@/data.txt" << "ovt" << "@/data.txt";
    QTest::newRow("dot at the end") << "@/data." << "ovt" << "@/data.";
    QTest::newRow("trailing blank") << "@/trail.png " << "" << "@/trail.png";
    QTest::newRow("trailing blanks, bare") << "@/trail \t\u3000" << "ovt" << "@/trail.ovt";
    QTest::newRow("leading blank kept") << "@/ lead.ovt" << "ovt" << "@/ lead.ovt";
    QTest::newRow("a file of that very name") << "@/blank.ovt " << "ovt" << "@/blank.ovt ";
    QTest::newRow("a folder") << "@/folder" << "ovt" << "@/folder";
    QTest::newRow("no extension to append") << "@/graph" << "" << "@/graph";
  }
  void chosenName() {
    QFETCH(QString, answer);
    QFETCH(QString, defaultExt);
    QFETCH(QString, name);
    QTemporaryDir dir;
    WriteFile(dir.filePath("blank.ovt "), "x");
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QCOMPARE(ChosenName(answer.replace('@', dir.path()), defaultExt), name.replace('@', dir.path()));
  }

  // The dialogs show a folder without opening a file in it: a pipe would never answer, and a
  // file without an extension is what the toolkit reads to tell its type.
  void dialogsOpenNoFile() {
    QTemporaryDir dir;
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    WriteFile(dir.filePath("plain"), "#!/bin/sh\necho\n");
    WriteFile(dir.filePath("data.ovt"), "ovt110\r\n");
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    QVERIFY(inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_OPEN) >= 0);
    QtDesktop desktop;
    FileDialog dialog;
    dialog.folder = dir.path();
    int models = 0;
    WhenOpens<QFileDialog>([&](QFileDialog* d) {
      for (QFileSystemModel* model : d->findChildren<QFileSystemModel*>()) {
        ShowEverything(model, dir.path());
        ++models;
      }
      d->reject();
    });
    QVERIFY(!desktop.Run(dialog));
    QPrinter printer;
    bool browsedByName = false;
    WhenOpens<QPrintDialog>([&](QPrintDialog* d) {
      const QAbstractFileIconProvider* icons = nullptr;
      for (QFileSystemModel* model : d->findChildren<QFileSystemModel*>()) {
        ShowEverything(model, dir.path());
        icons = model->iconProvider();
        ++models;
      }
      // As its own button opens one for the file's name.
      QFileDialog browse(d);
      browse.show();
      browsedByName = icons && browse.iconProvider() == icons;
      browse.hide();
      d->reject();
    });
    QVERIFY(!desktop.RunPrintDialog(printer));
    QCOMPARE(models, 2);
    QVERIFY(browsedByName);
    QCOMPARE(OpenedFiles(watch), QStringList());
    close(watch);
  }

  // Through a link the folder is that of the real file; a copy elsewhere has its own folder.
  void helpFileOfTheRunningProgram() {
    QTemporaryDir dir;
    const QString self = QCoreApplication::applicationFilePath();
    QVERIFY(QDir().mkpath(dir.filePath("bin")));
    const QString link = dir.filePath("bin/test_app");
    QVERIFY(QFile::link(self, link));
    const QString copy = dir.filePath("copy");
    QVERIFY(QDir().mkpath(copy));
    QVERIFY(QFile::copy(self, copy + "/test_app"));
    const struct {
      QString program, help;
    } cases[] = {
        {self, QCoreApplication::applicationDirPath() + "/orvelta.hlp"},
        {link, QCoreApplication::applicationDirPath() + "/orvelta.hlp"},
        {copy + "/test_app", QFileInfo(copy).canonicalFilePath() + "/orvelta.hlp"},
    };
    for (const auto& c : cases) {
      QProcess child;
      child.start(c.program, {QStringLiteral("--print-help-file")});
      QVERIFY2(child.waitForFinished(20000), qPrintable(c.program));
      QCOMPARE(child.exitCode(), 0);
      QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).trimmed(), c.help);
    }
  }

  void helpWindowOpensAtContentsAndIsReused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("orvelta.hlp");
    WriteFile(path, Manual("初版"));
    ScriptedDesktop desktop;
    QWidget owner;
    owner.show();
    ShowHelpWindow(desktop, &owner, path);
    HelpViewer* viewer = ViewerOf(owner);
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QVERIFY(viewer->isWindow());
    QCOMPARE(viewer->windowModality(), Qt::NonModal);
    QCOMPARE(viewer->windowTitle(), QStringLiteral("オルヴェルト ヘルプ"));
    QCOMPARE(viewer->Browser()->font().family(), QApplication::font().family());
    QVERIFY(viewer->Browser()->toPlainText().startsWith(QStringLiteral("初版\n目次")));
    QScrollBar* bar = viewer->Browser()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);

    // A link inside the manual leads to its section.
    emit viewer->Browser()->anchorClicked(QUrl(QStringLiteral("#last")));
    QVERIFY(bar->value() > 0);

    // Given again: the same window, the file read anew, at the top again.
    WriteFile(path, Manual("改訂版"));
    viewer->showMinimized();
    ShowHelpWindow(desktop, &owner, path);
    QCOMPARE(ViewerOf(owner), viewer);
    QVERIFY(viewer->isVisible());
    QVERIFY(!viewer->isMinimized());
    QVERIFY(viewer->Browser()->toPlainText().startsWith(QStringLiteral("改訂版")));
    QCOMPARE(bar->value(), 0);
    QVERIFY(desktop.boxes.isEmpty());

    // Escape closes it; it goes with its owner.
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QTest::keyClick(viewer->Browser(), Qt::Key_Escape);
    QVERIFY(!viewer->isVisible());
    QPointer<HelpViewer> watched = viewer;
    {
      QWidget shortLived;
      ShowHelpWindow(desktop, &shortLived, path);
      watched = ViewerOf(shortLived);
      QVERIFY(watched);
    }
    QVERIFY(watched.isNull());
  }

  void helpFileThatCannotBeShown_data() {
    QTest::addColumn<QString>("name");      // in a scratch folder, the current one
    QTest::addColumn<bool>("folder");       // a folder of that name instead of a file
    QTest::addColumn<QString>("sentence");  // the box's first line
    QTest::newRow("missing") << "orvelta.hlp" << false << "ヘルプ ファイルが見つかりません";
    QTest::newRow("a folder") << "orvelta.hlp" << true << "ヘルプ ファイルを読めません";
    QTest::newRow("no folder in the path") << "nowhere/orvelta.hlp" << false
                                           << "ヘルプ ファイルが見つかりません";
  }
  void helpFileThatCannotBeShown() {
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(QString, sentence);
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    if (folder) QVERIFY(QDir().mkdir(name));
    ScriptedDesktop desktop;
    QWidget owner;
    // A relative name, as from a program path without a folder: the box gives the full path.
    ShowHelpWindow(desktop, &owner, name);
    QDir::setCurrent(before);
    QCOMPARE(desktop.boxes.size(), 1);
    const Box& box = desktop.boxes.first();
    QCOMPARE(box.caption, QStringLiteral("オルヴェルト ヘルプ"));
    QCOMPARE(box.icon, BoxIcon::Warning);
    QCOMPARE(box.buttons, BoxButtons::Ok);
    QVERIFY(!box.left && !box.top);
    QCOMPARE(box.text, sentence + "\n\n" + QDir(dir.path()).absoluteFilePath(name));
    HelpViewer* viewer = ViewerOf(owner);
    QVERIFY(!viewer || !viewer->isVisible());
  }

  // A file that goes away after it was shown: the box, and the window keeps what it showed.
  void helpFileRemovedWhileShown() {
    QTemporaryDir dir;
    const QString path = dir.filePath("orvelta.hlp");
    WriteFile(path, Manual("初版"));
    ScriptedDesktop desktop;
    QWidget owner;
    ShowHelpWindow(desktop, &owner, path);
    QVERIFY(QFile::remove(path));
    ShowHelpWindow(desktop, &owner, path);
    QCOMPARE(desktop.TakeTexts(),
             QStringList{QStringLiteral("ヘルプ ファイルが見つかりません\n\n") + path});
    QVERIFY(ViewerOf(owner)->isVisible());
    QVERIFY(ViewerOf(owner)->Browser()->toPlainText().startsWith(QStringLiteral("初版")));
  }

  void versionText() {
    const QStringList lines = VersionText().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("オルヴェルト Ver. 1.11"));
    QCOMPARE(lines[1], QString());
    QVERIFY(lines[2].contains(QStringLiteral("2026")));
  }
};

// Started as "test_app --print-help-file" (by helpFileOfTheRunningProgram, through a link or a
// copy), it prints the help file beside its own file and ends.
int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "--print-help-file") == 0) {
    QCoreApplication app(argc, argv);
    std::printf("%s\n", ProgramHelpFile().toUtf8().constData());
    return 0;
  }
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  TestApp test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "test_app.moc"

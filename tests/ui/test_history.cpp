// The history of the grids' data on its own: steps taken back and made again in order, a new
// change ending what could be made again, and the bounds in steps and bytes.

#include <QTest>
#include <numeric>

#include "ui/history.h"

using namespace orvelt;

namespace {

// A step of one cell whose text becomes `after`.
EditStep Step(const QString& after, const QString& before = QString()) {
  return {{1, 1, 1, before, after}};
}

}  // namespace

class TestHistory : public QObject {
  Q_OBJECT

 private slots:
  // A letter records a step that writes it, "=" one that leaves its cell as it was, "<" takes
  // back and ">" makes again; what each of those hands out, in order ("-" for nothing).
  void stepsInOrder_data() {
    QTest::addColumn<QString>("ops");
    QTest::addColumn<QString>("handed");
    QTest::newRow("back to the start") << "a b < < <" << "b a -";
    QTest::newRow("back and again") << "a b < > >" << "b b -";
    QTest::newRow("again and back") << "a < > <" << "a a a";
    QTest::newRow("a change ends what could be made again") << "a b < c > <" << "b - c";
    QTest::newRow("nothing changed, no step") << "a = <" << "a";
  }
  void stepsInOrder() {
    QFETCH(QString, ops);
    QFETCH(QString, handed);
    EditHistory history;
    QStringList out;
    auto name = [](const std::optional<EditStep>& s) { return s ? s->front().after : "-"; };
    for (const QString& op : ops.split(' ')) {
      if (op == "<") {
        out << name(history.Undo());
      } else if (op == ">") {
        out << name(history.Redo());
      } else {
        history.Record(op == "=" ? Step("same", "same") : Step(op));
      }
    }
    QCOMPARE(out.join(' '), handed);
  }

  // Steps of `sizes` characters each over empty cells (the last `undone` of them taken back):
  // which stay, newest first, and the bytes counted, two a character.
  void boundsDropTheOldest_data() {
    QTest::addColumn<int>("maxSteps");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("kept");
    QTest::newRow("steps") << 3 << 1000 << QList<int>{1, 2, 3, 4, 5} << QList<int>{5, 4, 3};
    QTest::newRow("bytes, at the bound") << 100 << 40 << QList<int>{5, 5, 5, 5, 5}
                                         << QList<int>{5, 5, 5, 5};
    QTest::newRow("bytes, one over") << 100 << 39 << QList<int>{5, 5, 5, 5, 5}
                                     << QList<int>{5, 5, 5};
    QTest::newRow("the newest stays whatever its size")
        << 100 << 10 << QList<int>{1, 2, 100} << QList<int>{100};
    QTest::newRow("the program's steps") << EditHistory::kMaxSteps << int(EditHistory::kMaxBytes)
                                         << QList<int>(150, 1) << QList<int>(100, 1);
  }
  void boundsDropTheOldest() {
    QFETCH(int, maxSteps);
    QFETCH(int, maxBytes);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, kept);
    EditHistory history(maxSteps, maxBytes);
    for (int size : sizes) history.Record(Step(QString(size, u'x')));
    QCOMPARE(history.Bytes(), 2 * std::accumulate(kept.begin(), kept.end(), 0));
    QList<int> left;
    while (auto step = history.Undo()) left << int(step->front().after.size());
    QCOMPARE(left, kept);
    QCOMPARE(history.Bytes(), 2 * std::accumulate(kept.begin(), kept.end(), 0));
    history.DropRedo();  // the steps that could be made again count until a change
    QCOMPARE(history.Bytes(), 0);
  }

  // The program's bytes: 32 MiB, the text before a change counted as well as the one after.
  void programsBytes() {
    EditHistory history;
    const QString eightMi(8 << 20, u'x');  // 16 MiB; shared, not copied, by both steps
    for (int i = 0; i < 2; ++i) history.Record(Step(eightMi));
    QCOMPARE(history.UndoCount(), 2);
    history.Record(Step(QStringLiteral("b"), QStringLiteral("a")));
    QCOMPARE(history.UndoCount(), 2);
    QCOMPARE(history.Bytes(), (qsizetype{16} << 20) + 4);
  }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"

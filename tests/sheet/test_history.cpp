// The history of the grids' data on its own: steps taken back and made again in order, a new
// change ending what could be made again, and the bounds in steps and bytes.

#include <QTest>
#include <numeric>

#include "sheet/history.h"

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

  // Steps of `sizes` characters each, before and after, so four bytes a character: which stay,
  // newest first, and the bytes counted while they can be taken back and made again.
  void boundsDropTheOldest_data() {
    QTest::addColumn<int>("maxSteps");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("kept");
    const int steps = EditHistory::kMaxSteps, bytes = int(EditHistory::kMaxBytes), mi = 1 << 20;
    QTest::newRow("steps") << 3 << 1000 << QList<int>{1, 2, 3, 4, 5} << QList<int>{5, 4, 3};
    QTest::newRow("bytes, at the bound") << 100 << 40 << QList<int>{5, 5, 5} << QList<int>{5, 5};
    QTest::newRow("bytes, one over") << 100 << 39 << QList<int>{5, 5, 5} << QList<int>{5};
    QTest::newRow("the newest stays whatever its size")
        << 100 << 10 << QList<int>{1, 2, 100} << QList<int>{100};
    QTest::newRow("the program's steps")
        << steps << bytes << QList<int>(150, 1) << QList<int>(100, 1);
    QTest::newRow("the program's bytes: 32 MiB")
        << steps << bytes << QList<int>{4 * mi, 4 * mi, 1} << QList<int>{1, 4 * mi};
  }
  void boundsDropTheOldest() {
    QFETCH(int, maxSteps);
    QFETCH(int, maxBytes);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, kept);
    EditHistory history(maxSteps, maxBytes);
    for (int size : sizes) history.Record(Step(QString(size, u'x'), QString(size, u'y')));
    const qsizetype keptBytes = 4 * std::accumulate(kept.begin(), kept.end(), qsizetype{0});
    QCOMPARE(history.Bytes(), keptBytes);
    QList<int> left;
    while (auto step = history.Undo()) left << int(step->front().after.size());
    QCOMPARE(left, kept);
    QCOMPARE(history.Bytes(), keptBytes);
    history.DropRedo();  // the steps that could be made again count until a change
    QCOMPARE(history.Bytes(), 0);
  }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"

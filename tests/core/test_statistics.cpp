// The statistics of a fit against figures made apart from the program: NIST's certified values
// for NoInt1 and NoInt2, and for every other case tests/core/stats_oracle.py (exact fractions,
// decimal roots, mpmath's Student's t), whose output was recorded once into the table below and
// into statistics_cases.txt. Every rational figure and every root of one must be the oracle's
// character for character; p values and interval bounds within one unit of their 6th digit.
#include <QFile>
#include <QStringList>
#include <QTest>
#include <cmath>
#include <string>

#include "core/compute.h"
#include "tests/core/grid_builder.h"

using namespace orvelt;

Q_DECLARE_METATYPE(orvelt::GridInput)

namespace {

std::shared_ptr<const FitResult> Fitted(const GridInput& input, int kind) {
  DataStore store;
  ComputeOutcome outcome = RunCompute(store, input, static_cast<FitModel>(kind));
  return outcome.result;
}

// The copy against the oracle's text (line feeds), field by field: the p values and the bounds
// (the coefficient lines' fields 5 to 7) within a unit of their 6th significant digit.
QString Mismatch(const std::string& copy, const QString& expected) {
  const QString text = QString::fromStdString(copy);
  if (text.count("\r\n") != text.count('\n')) return QStringLiteral("a line without CR LF");
  QStringList lines = text.split("\r\n"), want = expected.split('\n');
  if (lines.size() != want.size())
    return QStringLiteral("%1 lines, expected %2").arg(lines.size()).arg(want.size());
  bool coefficients = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QStringList got = lines[i].split('\t'), fields = want[i].split('\t');
    if (fields.value(0) == QStringLiteral("係数")) coefficients = true;
    if (fields.value(0).isEmpty()) coefficients = false;
    if (got.size() != fields.size()) return "line " + lines[i] + ", expected " + want[i];
    for (qsizetype f = 0; f < fields.size(); ++f) {
      if (got[f] == fields[f]) continue;
      bool ok = false, parsed = false;
      const double a = got[f].toDouble(&ok), e = fields[f].toDouble(&parsed);
      const bool bySix = coefficients && f >= 4 && ok && parsed && e != 0;
      if (bySix &&
          std::fabs(a - e) <= std::pow(10.0, std::floor(std::log10(std::fabs(e))) - 5) * 1.000001)
        continue;
      return "line " + lines[i] + ", expected " + want[i];
    }
  }
  return QString();
}

}  // namespace

class TestStatistics : public QObject {
  Q_OBJECT

 private slots:
  // NIST StRD, the certified values to 6 digits: B1, its standard deviation, the residual
  // standard deviation, R² and the residual sum of squares.
  void certified_data() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<QStringList>("figures");  // a, SE(a), s, R², SSE
    GridInput noInt1;
    for (int r = 1; r <= 11; ++r) {
      noInt1.series1[r][kColumnX] = std::to_string(59 + r);
      noInt1.series1[r][kColumnY] = std::to_string(129 + r);
    }
    QTest::newRow("NoInt1") << noInt1
                            << QStringList{"2.07438", "0.0165289", "3.56753", "0.999365",
                                           "127.273"};
    QTest::newRow("NoInt2") << Pairs({{"4", "3"}, {"5", "4"}, {"6", "4"}})
                            << QStringList{"0.727273", "0.0420827", "0.369274", "0.993348",
                                           "0.272727"};
  }
  void certified() {
    QFETCH(GridInput, input);
    QFETCH(QStringList, figures);
    const auto result = Fitted(input, 1);
    QVERIFY(result);
    const FitStatistics& st = result->statistics;
    const auto& a = st.coefficients.rows.at(0);
    QCOMPARE(QStringList({QString::fromStdString(a[1]), QString::fromStdString(a[2]),
                          QString::fromStdString(st.summary[5].second),
                          QString::fromStdString(st.summary[7].second),
                          QString::fromStdString(st.summary[4].second)}),
             figures);
  }

  // One line a case: the data set, the kind, and the oracle's text of the copy.
  void figures_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, int kind, const GridInput& input, const char* text) {
      QTest::newRow(name) << kind << input << QString::fromUtf8(text);
    };
    row("NIST NoInt1, y = ax", 1,
        Grids({{1, "60", "130"},
               {2, "61", "131"},
               {3, "62", "132"},
               {4, "63", "133"},
               {5, "64", "134"},
               {6, "65", "135"},
               {7, "66", "136"},
               {8, "67", "137"},
               {9, "68", "138"},
               {10, "69", "139"},
               {11, "70", "140"}}),
        "式\ty = ax\n"
        "データ数 n\t11\n"
        "係数の数 p\t1\n"
        "自由度 n-p\t10\n"
        "残差平方和\t127.273\n"
        "回帰の標準誤差 s\t3.56753\n"
        "標準偏差 (n-1)\t3.56753\n"
        "決定係数 R^2\t0.999365\n"
        "自由度調整済み R^2\t0.999302\n"
        "R^2 の基準\t原点\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t2.07438\t0.0165289\t125.5\t2.53163e-17\t2.03755\t2.11121\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t60\t130\t124.463\t5.53719\t1.6158\t0.0772781\t\n"
        "2\t61\t131\t126.537\t4.46281\t1.30412\t0.0798755\t\n"
        "3\t62\t132\t128.612\t3.38843\t0.991589\t0.0825158\t\n"
        "4\t63\t133\t130.686\t2.31405\t0.678175\t0.0851991\t\n"
        "5\t64\t134\t132.76\t1.23967\t0.363851\t0.0879253\t\n"
        "6\t65\t135\t134.835\t0.165289\t0.0485872\t0.0906944\t\n"
        "7\t66\t136\t136.909\t-0.909091\t-0.267644\t0.0935065\t\n"
        "8\t67\t137\t138.983\t-1.98347\t-0.584872\t0.0963615\t\n"
        "9\t68\t138\t141.058\t-3.05785\t-0.903127\t0.0992594\t\n"
        "10\t69\t139\t143.132\t-4.13223\t-1.22244\t0.1022\t\n"
        "11\t70\t140\t145.207\t-5.20661\t-1.54284\t0.105184\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t9\t0\t0\t1\t1\t平均\n"
        "y = ax\t1\t10\t127.273\t3.56753\t0.999365\t0.999302\t原点\n"
        "y = ax^2 + bx + c\t3\t8\t0\t0\t1\t1\t平均\n"
        "y = ax^2 + bx\t2\t9\t0.236201\t0.162002\t0.999999\t0.999999\t原点\n");
    row("NIST NoInt2, y = ax", 1, Grids({{1, "4", "3"}, {2, "5", "4"}, {3, "6", "4"}}),
        "式\ty = ax\n"
        "データ数 n\t3\n"
        "係数の数 p\t1\n"
        "自由度 n-p\t2\n"
        "残差平方和\t0.272727\n"
        "回帰の標準誤差 s\t0.369274\n"
        "標準偏差 (n-1)\t0.369274\n"
        "決定係数 R^2\t0.993348\n"
        "自由度調整済み R^2\t0.990022\n"
        "R^2 の基準\t原点\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t0.727273\t0.0420827\t17.282\t0.00333149\t0.546205\t0.90834\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t4\t3\t2.90909\t0.0909091\t0.276591\t0.207792\t\n"
        "2\t5\t4\t3.63636\t0.363636\t1.19829\t0.324675\t\n"
        "3\t6\t4\t4.36364\t-0.363636\t-1.3495\t0.467532\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t1\t0.166667\t0.408248\t0.75\t0.5\t平均\n"
        "y = ax\t1\t2\t0.272727\t0.369274\t0.993348\t0.990022\t原点\n"
        "y = ax^2 + bx + c\t3\t0\t0\t-\t1\t-\t平均\n"
        "y = ax^2 + bx\t2\t1\t0.134295\t0.366463\t0.996725\t0.990174\t原点\n");
    row("CO2 by year, a parabola", 2,
        Grids({{1, "2001", "371.32"},
               {2, "2002", "373.45"},
               {3, "2003", "375.98"},
               {4, "2004", "377.70"},
               {5, "2005", "379.98"},
               {6, "2006", "382.09"},
               {7, "2007", "384.02"},
               {8, "2008", "385.83"}}),
        "式\ty = ax^2 + bx + c\n"
        "データ数 n\t8\n"
        "係数の数 p\t3\n"
        "自由度 n-p\t5\n"
        "残差平方和\t0.112598\n"
        "回帰の標準誤差 s\t0.150065\n"
        "標準偏差 (n-1)\t0.126828\n"
        "決定係数 R^2\t0.999383\n"
        "自由度調整済み R^2\t0.999137\n"
        "R^2 の基準\t平均\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t-0.0302987\t0.0115778\t-2.61697\t0.0472703\t-0.0600603\t-0.00053707\n"
        "b\t123.551\t46.4153\t2.66186\t0.0447837\t4.23679\t242.865\n"
        "c\t-125539\t46519.7\t-2.69861\t0.0428552\t-245121\t-5955.85\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t2001\t371.32\t371.291\t0.0287488\t0.354729\t0.708333\t\n"
        "2\t2002\t373.45\t373.557\t-0.106725\t-0.83801\t0.279762\t\n"
        "3\t2003\t375.98\t375.762\t0.218392\t1.6608\t0.232143\t\n"
        "4\t2004\t377.7\t377.906\t-0.205891\t-1.61666\t0.279762\t\n"
        "5\t2005\t379.98\t379.99\t-0.00957907\t-0.0752152\t0.279762\t\n"
        "6\t2006\t382.09\t382.013\t0.0773168\t0.587969\t0.232143\t\n"
        "7\t2007\t384.02\t383.975\t0.0448174\t0.351908\t0.279762\t\n"
        "8\t2008\t385.83\t385.877\t-0.0470797\t-0.580913\t0.708333\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t6\t0.266823\t0.21088\t0.998539\t0.998295\t平均\n"
        "y = ax\t1\t7\t151.044\t4.64518\t0.999868\t0.99985\t原点\n"
        "y = ax^2 + bx + c\t3\t5\t0.112598\t0.150065\t0.999383\t0.999137\t平均\n"
        "y = ax^2 + bx\t2\t6\t0.276596\t0.214708\t1\t1\t原点\n");
    row("kelvin, y = ax^2 + bx", 3,
        Grids({{1, "273.15", "1.2"},
               {2, "283.15", "1.5"},
               {3, "293.15", "1.9"},
               {4, "303.15", "2.2"},
               {5, "313.15", "2.8"}}),
        "式\ty = ax^2 + bx\n"
        "データ数 n\t5\n"
        "係数の数 p\t2\n"
        "自由度 n-p\t3\n"
        "残差平方和\t0.0176142\n"
        "回帰の標準誤差 s\t0.0766251\n"
        "標準偏差 (n-1)\t0.0663593\n"
        "決定係数 R^2\t0.999118\n"
        "自由度調整済み R^2\t0.998531\n"
        "R^2 の基準\t原点\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t0.000111357\t8.28785e-06\t13.4362\t0.00089135\t8.49815e-05\t0.000137733\n"
        "b\t-0.026171\t0.00244366\t-10.7098\t0.00174045\t-0.0339479\t-0.0183942\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t273.15\t1.2\t1.15984\t0.0401619\t0.800724\t0.571529\t\n"
        "2\t283.15\t1.5\t1.51761\t-0.0176075\t-0.276077\t0.307223\t\n"
        "3\t293.15\t1.9\t1.89765\t0.00235167\t0.0343432\t0.201399\t\n"
        "4\t303.15\t2.2\t2.29996\t-0.0999605\t-1.55216\t0.293614\t\n"
        "5\t313.15\t2.8\t2.72454\t0.0754557\t1.61073\t0.626235\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t3\t0.027\t0.0948683\t0.982558\t0.976744\t平均\n"
        "y = ax\t1\t4\t1.07759\t0.519034\t0.946067\t0.932583\t原点\n"
        "y = ax^2 + bx + c\t3\t2\t0.00914284\t0.0676123\t0.994094\t0.988188\t平均\n"
        "y = ax^2 + bx\t2\t3\t0.0176142\t0.0766251\t0.999118\t0.998531\t原点\n");
    row("an exact fit beside an omitted row", 0,
        Grids({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "6"}, {5, "4", "9", "Omit"}}),
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
        "b\t0\t0\t-\t-\t0\t0\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t1\t2\t2\t0\t-\t0.833333\t\n"
        "2\t2\t4\t4\t0\t-\t0.333333\t\n"
        "3\t3\t6\t6\t0\t-\t0.833333\t\n"
        "5\t4\t9\t8\t1\t\t\tOmit\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t1\t0\t0\t1\t1\t平均\n"
        "y = ax\t1\t2\t0\t0\t1\t1\t原点\n"
        "y = ax^2 + bx + c\t3\t0\t0\t-\t1\t-\t平均\n"
        "y = ax^2 + bx\t2\t1\t0\t0\t1\t1\t原点\n");
    row("df = 0, a parabola through three points", 2,
        Grids({{1, "1", "1"}, {2, "2", "3"}, {3, "3", "2"}}),
        "式\ty = ax^2 + bx + c\n"
        "データ数 n\t3\n"
        "係数の数 p\t3\n"
        "自由度 n-p\t0\n"
        "残差平方和\t0\n"
        "回帰の標準誤差 s\t-\n"
        "標準偏差 (n-1)\t0\n"
        "決定係数 R^2\t1\n"
        "自由度調整済み R^2\t-\n"
        "R^2 の基準\t平均\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t-1.5\t-\t-\t-\t-\t-\n"
        "b\t6.5\t-\t-\t-\t-\t-\n"
        "c\t-4\t-\t-\t-\t-\t-\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t1\t1\t1\t0\t-\t1\t\n"
        "2\t2\t3\t3\t0\t-\t1\t\n"
        "3\t3\t2\t2\t0\t-\t1\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t1\t1.5\t1.22474\t0.25\t-0.5\t平均\n"
        "y = ax\t1\t2\t1.92857\t0.981981\t0.862245\t0.793367\t原点\n"
        "y = ax^2 + bx + c\t3\t0\t0\t-\t1\t-\t平均\n"
        "y = ax^2 + bx\t2\t1\t0.842105\t0.917663\t0.93985\t0.819549\t原点\n");
    row("all y equal", 0, Grids({{1, "1", "5"}, {2, "2", "5"}, {3, "3", "5"}}),
        "式\ty = ax + b\n"
        "データ数 n\t3\n"
        "係数の数 p\t2\n"
        "自由度 n-p\t1\n"
        "残差平方和\t0\n"
        "回帰の標準誤差 s\t0\n"
        "標準偏差 (n-1)\t0\n"
        "決定係数 R^2\t-\n"
        "自由度調整済み R^2\t-\n"
        "R^2 の基準\t平均\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t0\t0\t-\t-\t0\t0\n"
        "b\t5\t0\t-\t-\t5\t5\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t1\t5\t5\t0\t-\t0.833333\t\n"
        "2\t2\t5\t5\t0\t-\t0.333333\t\n"
        "3\t3\t5\t5\t0\t-\t0.833333\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t1\t0\t0\t-\t-\t平均\n"
        "y = ax\t1\t2\t10.7143\t2.31455\t0.857143\t0.785714\t原点\n"
        "y = ax^2 + bx + c\t3\t0\t0\t-\t-\t-\t平均\n"
        "y = ax^2 + bx\t2\t1\t1.31579\t1.14708\t0.982456\t0.947368\t原点\n");
    row("all y 0 through the origin", 1, Grids({{1, "1", "0"}, {2, "2", "0"}, {3, "3", "0"}}),
        "式\ty = ax\n"
        "データ数 n\t3\n"
        "係数の数 p\t1\n"
        "自由度 n-p\t2\n"
        "残差平方和\t0\n"
        "回帰の標準誤差 s\t0\n"
        "標準偏差 (n-1)\t0\n"
        "決定係数 R^2\t-\n"
        "自由度調整済み R^2\t-\n"
        "R^2 の基準\t原点\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t0\t0\t-\t-\t0\t0\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t1\t0\t0\t0\t-\t0.0714286\t\n"
        "2\t2\t0\t0\t0\t-\t0.285714\t\n"
        "3\t3\t0\t0\t0\t-\t0.642857\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t1\t0\t0\t-\t-\t平均\n"
        "y = ax\t1\t2\t0\t0\t-\t-\t原点\n"
        "y = ax^2 + bx + c\t3\t0\t0\t-\t-\t-\t平均\n"
        "y = ax^2 + bx\t2\t1\t0\t0\t-\t-\t原点\n");
    row("a parabola on two pairs", 2, Grids({{1, "1", "1"}, {2, "3", "5"}, {4, "4", "7", "Omit"}}),
        "式\ty = ax^2 + bx + c\n"
        "データ数 n\t2\n"
        "係数の数 p\t2\n"
        "自由度 n-p\t0\n"
        "残差平方和\t0\n"
        "回帰の標準誤差 s\t-\n"
        "標準偏差 (n-1)\t0\n"
        "決定係数 R^2\t1\n"
        "自由度調整済み R^2\t-\n"
        "R^2 の基準\t平均\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t0\t-\t-\t-\t-\t-\n"
        "b\t2\t-\t-\t-\t-\t-\n"
        "c\t-1\t-\t-\t-\t-\t-\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t1\t1\t1\t0\t-\t1\t\n"
        "2\t3\t5\t5\t0\t-\t1\t\n"
        "4\t4\t7\t7\t0\t\t\tOmit\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t0\t0\t-\t1\t-\t平均\n"
        "y = ax\t1\t1\t0.4\t0.632456\t0.984615\t0.969231\t原点\n"
        "y = ax^2 + bx + c\t2\t0\t0\t-\t1\t-\t平均\n"
        "y = ax^2 + bx\t2\t0\t0\t-\t1\t-\t原点\n");
    row("one pair through the origin", 1, Grids({{1, "2", "6"}}),
        "式\ty = ax\n"
        "データ数 n\t1\n"
        "係数の数 p\t1\n"
        "自由度 n-p\t0\n"
        "残差平方和\t0\n"
        "回帰の標準誤差 s\t-\n"
        "標準偏差 (n-1)\t-\n"
        "決定係数 R^2\t1\n"
        "自由度調整済み R^2\t-\n"
        "R^2 の基準\t原点\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t3\t-\t-\t-\t-\t-\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t2\t6\t6\t0\t-\t1\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t-\t-\t-\t-\t-\t-\t-\n"
        "y = ax\t1\t0\t0\t-\t1\t-\t原点\n"
        "y = ax^2 + bx + c\t-\t-\t-\t-\t-\t-\t-\n"
        "y = ax^2 + bx\t-\t-\t-\t-\t-\t-\t-\n");
    row("a leverage of 1", 0, Grids({{1, "1", "1"}, {2, "1", "2"}, {3, "1", "3"}, {4, "5", "4"}}),
        "式\ty = ax + b\n"
        "データ数 n\t4\n"
        "係数の数 p\t2\n"
        "自由度 n-p\t2\n"
        "残差平方和\t2\n"
        "回帰の標準誤差 s\t1\n"
        "標準偏差 (n-1)\t0.816497\n"
        "決定係数 R^2\t0.6\n"
        "自由度調整済み R^2\t0.4\n"
        "R^2 の基準\t平均\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t0.5\t0.288675\t1.73205\t0.225403\t-0.742069\t1.74207\n"
        "b\t1.5\t0.763763\t1.96396\t0.188497\t-1.78621\t4.78621\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t1\t1\t2\t-1\t-1.22474\t0.333333\t\n"
        "2\t1\t2\t2\t0\t0\t0.333333\t\n"
        "3\t1\t3\t2\t1\t1.22474\t0.333333\t\n"
        "4\t5\t4\t4\t0\t-\t1\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t2\t2\t1\t0.6\t0.4\t平均\n"
        "y = ax\t1\t3\t5.85714\t1.39728\t0.804762\t0.739683\t原点\n"
        "y = ax^2 + bx + c\t-\t-\t-\t-\t-\t-\t-\n"
        "y = ax^2 + bx\t2\t2\t2\t1\t0.933333\t0.866667\t原点\n");
    row("two points that lie off", 0,
        Grids({{1, "1", "1.1"},    {2, "2", "1.9"},    {3, "3", "3.1"},    {4, "4", "3.9"},
               {5, "5", "5.1"},    {6, "6", "5.9"},    {7, "7", "7.1"},    {8, "8", "7.9"},
               {9, "9", "9.1"},    {10, "10", "12.9"}, {11, "11", "11.1"}, {12, "12", "11.9"},
               {13, "13", "13.1"}, {14, "14", "13.9"}, {15, "15", "15.1"}, {16, "16", "17.9"},
               {17, "17", "17.1"}, {18, "18", "17.9"}, {19, "19", "19.1"}, {20, "20", "19.9"}}),
        "式\ty = ax + b\n"
        "データ数 n\t20\n"
        "係数の数 p\t2\n"
        "自由度 n-p\t18\n"
        "残差平方和\t10.8414\n"
        "回帰の標準誤差 s\t0.776078\n"
        "標準偏差 (n-1)\t0.755379\n"
        "決定係数 R^2\t0.984355\n"
        "自由度調整済み R^2\t0.983486\n"
        "R^2 の基準\t平均\n"
        "\n"
        "係数\t値\t標準誤差\tt 値\tp 値\t95% 下限\t95% 上限\n"
        "a\t1.01278\t0.030095\t33.6528\t1.04903e-17\t0.949555\t1.07601\n"
        "b\t0.11579\t0.360513\t0.32118\t0.751773\t-0.64162\t0.873199\n"
        "\n"
        "No.\tx\ty\t予測値\t残差\t標準化残差\tてこ比\t\n"
        "1\t1\t1.1\t1.12857\t-0.0285714\t-0.0407979\t0.185714\t\n"
        "2\t2\t1.9\t2.14135\t-0.241353\t-0.339046\t0.158647\t\n"
        "3\t3\t3.1\t3.15414\t-0.0541355\t-0.0749833\t0.134586\t\n"
        "4\t4\t3.9\t4.16692\t-0.266917\t-0.365292\t0.113534\t\n"
        "5\t5\t5.1\t5.1797\t-0.0796994\t-0.10798\t0.0954887\t\n"
        "6\t6\t5.9\t6.19248\t-0.292481\t-0.393011\t0.0804511\t\n"
        "7\t7\t7.1\t7.20526\t-0.105263\t-0.140528\t0.0684211\t\n"
        "8\t8\t7.9\t8.21805\t-0.318045\t-0.422552\t0.0593985\t\n"
        "9\t9\t9.1\t9.23083\t-0.130827\t-0.173262\t0.0533835\t\n"
        "10\t10\t12.9\t10.2436\t2.65639\t3.51245\t0.0503759\t\n"
        "11\t11\t11.1\t11.2564\t-0.156391\t-0.20679\t0.0503759\t\n"
        "12\t12\t11.9\t12.2692\t-0.369173\t-0.48892\t0.0533835\t\n"
        "13\t13\t13.1\t13.282\t-0.181954\t-0.241743\t0.0593985\t\n"
        "14\t14\t13.9\t14.2947\t-0.394737\t-0.526978\t0.0684211\t\n"
        "15\t15\t15.1\t15.3075\t-0.207518\t-0.278846\t0.0804511\t\n"
        "16\t16\t17.9\t16.3203\t1.5797\t2.14024\t0.0954887\t\n"
        "17\t17\t17.1\t17.3331\t-0.233082\t-0.318987\t0.113534\t\n"
        "18\t18\t17.9\t18.3459\t-0.445865\t-0.61757\t0.134586\t\n"
        "19\t19\t19.1\t19.3586\t-0.258646\t-0.363339\t0.158647\t\n"
        "20\t20\t19.9\t20.3714\t-0.471429\t-0.673166\t0.185714\t\n"
        "\n"
        "式\t係数の数 p\t自由度\t残差平方和\t回帰の標準誤差 s\t決定係数 R^2\t自由度調整済み "
        "R^2\tR^2 の基準\n"
        "y = ax + b\t2\t18\t10.8414\t0.776078\t0.984355\t0.983486\t平均\n"
        "y = ax\t1\t19\t10.9035\t0.75754\t0.996371\t0.99618\t原点\n"
        "y = ax^2 + bx + c\t3\t17\t10.2134\t0.775104\t0.985261\t0.983527\t平均\n"
        "y = ax^2 + bx\t2\t18\t10.4281\t0.761142\t0.996529\t0.996143\t原点\n");
  }
  void figures() {
    QFETCH(int, kind);
    QFETCH(GridInput, input);
    QFETCH(QString, expected);
    const auto result = Fitted(input, kind);
    QVERIFY(result);
    const QString wrong = Mismatch(StatisticsText(result->statistics), expected);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
  }

  // Rows whose |standardised residual| exceeds 2 and 3 are set off: rows 16 and 10 of the case
  // above (2.14024 and 3.51245), and no other.
  void rowsThatLieOff() {
    GridInput input;
    for (int x = 1; x <= 20; ++x) {
      input.series1[x][kColumnX] = std::to_string(x);
      const double y = x + (x % 2 ? 0.1 : -0.1) + (x == 10 ? 3 : x == 16 ? 2 : 0);
      input.series1[x][kColumnY] = QString::number(y, 'f', 1).toStdString();
    }
    const auto result = Fitted(input, 0);
    QVERIFY(result);
    std::vector<int> expected(20, 0);
    expected[9] = 3;
    expected[15] = 2;
    QCOMPARE(result->statistics.residualsOff, expected);
  }

  // Random data sets of 1 to 20 rows and every kind (statistics_cases.txt, made by
  // `stats_oracle.py --cases 32 24`): each copy is the oracle's.
  void recordedCases() {
    QFile file(QStringLiteral(ORVELT_STATISTICS_CASES));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList blocks =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("end\n"), Qt::SkipEmptyParts);
    QCOMPARE(blocks.size(), 24);
    std::array<int, kFitModels> kinds{};
    for (const QString& block : blocks) {
      const qsizetype head = block.indexOf('\n');
      const QStringList words = block.left(head).split(' ');
      const int kind = words.value(1).toInt();
      ++kinds[kind];
      GridInput input;
      for (qsizetype r = 2; r < words.size(); ++r) {
        const QStringList cells = words[r].split(',');
        for (int c = 0; c < cells.size(); ++c)
          input.series1[r - 1][kColumnX + c] = cells[c].toStdString();
      }
      const auto result = Fitted(input, kind);
      QVERIFY2(result, qPrintable(block.left(head)));
      const QString wrong = Mismatch(StatisticsText(result->statistics), block.mid(head + 1));
      QVERIFY2(wrong.isEmpty(), qPrintable(block.left(head) + ": " + wrong));
    }
    QCOMPARE(kinds, (std::array<int, kFitModels>{6, 6, 6, 6}));
  }

  // What the graph's 95 % bands take from the statistics: the leverage x0ᵀ(XᵀX)⁻¹x0 and both
  // half widths, at x inside and beyond the data, years and kelvin included, an omitted row left
  // out (oracle at 20 digits: stats_oracle.py --bands).
  void bands_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<long double>("x");
    QTest::addColumn<QList<long double>>("expected");  // h, confidence, prediction
    GridInput noInt1;
    for (int r = 1; r <= 11; ++r) {
      noInt1.series1[r][kColumnX] = std::to_string(59 + r);
      noInt1.series1[r][kColumnY] = std::to_string(129 + r);
    }
    const GridInput co2 = Years(2001, {kCarbonDioxide.begin(), kCarbonDioxide.begin() + 8});
    const GridInput kelvin = Pairs({{"273.15", "1.2"},
                                    {"283.15", "1.5"},
                                    {"293.15", "1.9"},
                                    {"303.15", "2.2"},
                                    {"313.15", "2.8"}});
    const GridInput line = Grids({{1, "1", "2.1"},
                                  {2, "2", "3.9"},
                                  {3, "3", "6.2"},
                                  {4, "4", "7.8"},
                                  {5, "5", "10.3"},
                                  {6, "6", "11.7"},
                                  {7, "7", "14.2"},
                                  {8, "8", "12", "Omit"},
                                  {9, "9", "18.1"},
                                  {10, "10", "19.8"}});
    using L = QList<long double>;
    QTest::newRow("line at 0") << 0 << line << 0.0L
                               << L{0.47205882352941176471L, 0.36840636742247579702L,
                                    0.65056643138723192606L};
    QTest::newRow("line at 5.5") << 0 << line << 5.5L
                                 << L{0.11213235294117647059L, 0.17955377305485815891L,
                                      0.56546705254040152341L};
    QTest::newRow("line at 11") << 0 << line << 11.0L
                                << L{0.55294117647058823529L, 0.39872047136475425225L,
                                     0.66820015293011234448L};
    QTest::newRow("NoInt1 at 0") << 1 << noInt1 << 0.0L << L{0, 0, 7.9489529563350211061L};
    QTest::newRow("NoInt1 at 65") << 1 << noInt1 << 65.0L
                                  << L{0.090694429537404744016L, 2.3938681880844273805L,
                                       8.3015937026543217441L};
    QTest::newRow("NoInt1 at 100")
        << 1 << noInt1 << 100.0L
        << L{0.21466137168616507459L, 3.6828741355145036622L, 8.7606743461944169361L};
    QTest::newRow("CO2 parabola at 2001")
        << 2 << co2 << 2001.0L
        << L{0.70833333333333333333L, 0.32466091167506461454L, 0.50419376587817367702L};
    QTest::newRow("CO2 parabola at 2004.5")
        << 2 << co2 << 2004.5L << L{0.2890625L, 0.20739918298731292564L, 0.43797382009035130821L};
    QTest::newRow("CO2 parabola at 2015")
        << 2 << co2 << 2015.0L << L{68.375L, 3.1897734118480027554L, 3.2130143269075503313L};
    QTest::newRow("kelvin at 273.15")
        << 3 << kelvin << 273.15L
        << L{0.57152858356896881123L, 0.1843533109893486533L, 0.30569835835609258801L};
    QTest::newRow("kelvin at 400")
        << 3 << kelvin << 400.0L
        << L{21.200742499379610153L, 1.1228131746610594215L, 1.148988584896003758L};
  }
  void bands() {
    QFETCH(int, kind);
    QFETCH(GridInput, input);
    QFETCH(long double, x);
    QFETCH(QList<long double>, expected);
    const auto result = Fitted(input, kind);
    QVERIFY(result);
    const BandWidths& bands = result->statistics.bands;
    QVERIFY(bands.exist);
    const long double got[] = {bands.Leverage(x), bands.Confidence(x), bands.Prediction(x)};
    for (int i = 0; i < 3; ++i) {
      QVERIFY2(std::fabs(got[i] - expected[i]) <= 1e-12L * std::fabs(expected[i]) + 1e-18L,
               qPrintable(QString::number(double(got[i]), 'g', 17)));
    }
  }

  // Without degrees of freedom there is no band.
  void noBandsWithoutDegreesOfFreedom() {
    const auto result = Fitted(Pairs({{"1", "1"}, {"2", "3"}, {"3", "2"}}), 2);
    QVERIFY(result);
    QVERIFY(!result->statistics.bands.exist);
  }
};

QTEST_APPLESS_MAIN(TestStatistics)
#include "test_statistics.moc"

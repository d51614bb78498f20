#include "graph/face.h"

#include <QFontDatabase>
#include <cmath>

namespace orvelt {

namespace {

const QStringList& JapanesePreference() {
  static const QStringList families{
      QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
      QStringLiteral("IPAPGothic"),      QStringLiteral("Noto Sans CJK JP"),
      QStringLiteral("VL PGothic"),      QStringLiteral("TakaoPGothic")};
  return families;
}

// The database is built before the first font anyway.
QStringList Installed(const QStringList& wanted) {
  const QStringList installed = QFontDatabase::families();
  QStringList found;
  for (const QString& family : wanted)
    if (installed.contains(family, Qt::CaseInsensitive)) found << family;
  return found;
}

QFont FontOf(const QStringList& families, int pixelHeight) {
  QFont font;
  if (!families.isEmpty()) font.setFamilies(families);
  font.setPixelSize(pixelHeight);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace

// Asked for every control's font: the database's list of names is made anew on each call.
QStringList JapaneseFamilies() {
  static const QStringList installed = Installed(JapanesePreference());
  return installed;
}

QFont JapaneseFont(int pixelHeight) {
  return FontOf(JapaneseFamilies(), pixelHeight);
}

QStringList GraphFamilies(int pixelHeight) {
  constexpr int kFrameText = 12;
  if (pixelHeight != kFrameText) return JapaneseFamilies();
  static const QStringList installed =
      Installed(QStringList{QStringLiteral("PT Sans")} + JapanesePreference());
  return installed;
}

QFont GraphFont(int pixelHeight, double ratio) {
  QFont font =
      FontOf(GraphFamilies(pixelHeight), static_cast<int>(std::lround(pixelHeight * ratio)));
  font.setStyleStrategy(QFont::NoAntialias);
  // The picture is a document: its glyphs must not follow the screen's hinting, which Qt drops
  // on scaled screens. Slight hinting is what fontconfig gives by default.
  font.setHintingPreference(QFont::PreferVerticalHinting);
  return font;
}

}  // namespace orvelt

#include "graph/face.h"

namespace orvelt {

QStringList JapaneseFamilies() {
  return {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
          QStringLiteral("IPAPGothic"),      QStringLiteral("Noto Sans CJK JP"),
          QStringLiteral("VL PGothic"),      QStringLiteral("TakaoPGothic")};
}

QFont JapaneseFont(int pixelHeight, bool plain) {
  QFont font;
  font.setFamilies(JapaneseFamilies());
  font.setPixelSize(pixelHeight);
  font.setStyleHint(QFont::SansSerif);
  if (plain) font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

}  // namespace orvelt

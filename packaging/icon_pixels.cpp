// Built for the build alone: writes a PNG picture's pixels as Qt's ARGB32 words in the machine's
// byte order, row after row, so that the program carries its window icon ready to use and its
// start decodes no PNG.
//   orvelt_icon_pixels PNG OUT
#include <QFile>
#include <QImage>
#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fputs("usage: orvelt_icon_pixels PNG OUT\n", stderr);
    return 2;
  }
  const QImage image = QImage(QFile::decodeName(argv[1]), "png").convertToFormat(QImage::Format_ARGB32);
  QFile out(QFile::decodeName(argv[2]));
  if (image.isNull() || !out.open(QIODevice::WriteOnly)) return 1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const char*>(image.constScanLine(y));
    if (out.write(row, qint64(image.width()) * 4) != qint64(image.width()) * 4) return 1;
  }
  return out.flush() ? 0 : 1;
}

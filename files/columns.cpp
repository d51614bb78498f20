#include "files/columns.h"

#include <QStringDecoder>

namespace orvelt {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The text's own mark is skipped; a field's is part of its text, which QString::fromUtf8 drops.
QString FieldText(const std::string& utf8) {
  QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  return decode(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
}

// The fields of one line of a text without tabs.
std::vector<std::string> SplitCommas(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false, fieldStart = true;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == ',') {
      fields.emplace_back();
      fieldStart = true;
      continue;
    } else if (c == '"' && fieldStart) {
      quoted = true;
    } else {
      fields.back() += c;
    }
    fieldStart = false;
  }
  return fields;
}

}  // namespace

TextBlock SplitColumns(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  TextBlock block = SplitBlock(text);
  if (text.find('\t') != std::string_view::npos) return block;
  for (auto& line : block) line = SplitCommas(line.front());
  return block;
}

GridTexts ColumnCells(QByteArrayView bytes, int series) {
  const int lastColumn = series == 1 ? kColumnOmit : kColumnY;
  GridTexts cells;
  const TextBlock block = SplitColumns(std::string_view(bytes.data(), bytes.size()));
  for (const PlacedField& field : PlaceBlock(block, kColumnX, 1, lastColumn, kRows))
    cells[field.row][field.col] = FieldText(field.text);
  return cells;
}

std::optional<QByteArray> ReadColumnsFile(const QString& path, FileSystem& files) {
  InputFile file(path, files);
  QByteArray bytes;
  constexpr qsizetype kBlock = 64 * 1024;
  while (bytes.size() <= kMaxSeriesFileBytes &&
         file.Read(bytes, std::min(kBlock, kMaxSeriesFileBytes + 1 - bytes.size())) > 0) {
  }
  file.Close();
  if (bytes.size() > kMaxSeriesFileBytes) return std::nullopt;
  return bytes;
}

}  // namespace orvelt

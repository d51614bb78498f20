#include "core/messages.h"

#include <array>

#include "core/cells.h"

namespace orvelt {

std::span<const Message* const> AllMessages() {
  static constexpr std::array kAll{
      &kNotANumber,       &kTooFewPairsForOne, &kTooFewPairsForTwo, &kOnlyZeroX,
      &kAllSameX,         &kTooLongCell,       &kOverwrite,         &kFileNotFound,
      &kUnreadableFile,   &kUnsavableCell,     &kOversizedSeries,   &kLeftOutFiles,
      &kEraseAll,         &kEraseSeries1,      &kEraseSeries2,      &kVersion,
      &kInvalidOperation, &kOverflow,          &kInvalidFileName,   &kTooManyOpenFiles,
      &kAccessDenied,     &kReadOnlyMedium,    &kIoError,           &kHiddenWindow,
      &kNoConversion,     &kUnknownError,      &kOutputUnloadable,  &kHelpMissing,
      &kHelpUnreadable,
  };
  return kAll;
}

std::string MessageText(const Message& message, std::span<const std::string_view> parts) {
  const std::string_view text = message.text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : 9;
    if (text[i] == '%' && n < parts.size()) {
      out += parts[n];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string MessageTextAbout(const Message& message, std::string_view subject) {
  return MessageText(message) + "\n\n" + std::string(subject);
}

std::string CellName(int series, int row, int column) {
  static const char* const kColumnNames[kColumns] = {"", "x", "y", "Omit"};
  return std::string(series == 1 ? "  " : "系列２ ") + "Data No. " + std::to_string(row) + " の " +
         kColumnNames[column];
}

}  // namespace orvelt

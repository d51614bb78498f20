#include "sheet/history.h"

#include <algorithm>
#include <utility>

namespace orvelt {

qsizetype EditHistory::BytesOf(const EditStep& step) {
  qsizetype characters = 0;
  for (const CellEdit& edit : step) characters += edit.before.size() + edit.after.size();
  return characters * qsizetype(sizeof(char16_t));
}

void EditHistory::Record(EditStep step) {
  std::erase_if(step, [](const CellEdit& edit) { return edit.before == edit.after; });
  if (step.empty()) return;
  DropRedo();
  bytes_ += BytesOf(step);
  undo_.push_back(std::move(step));
  while (undo_.size() > 1 && (UndoCount() > maxSteps_ || bytes_ > maxBytes_)) {
    bytes_ -= BytesOf(undo_.front());
    undo_.pop_front();
  }
}

std::optional<EditStep> EditHistory::Undo() {
  if (undo_.empty()) return std::nullopt;
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  return redo_.back();
}

std::optional<EditStep> EditHistory::Redo() {
  if (redo_.empty()) return std::nullopt;
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  return undo_.back();
}

void EditHistory::DropRedo() {
  for (const EditStep& step : redo_) bytes_ -= BytesOf(step);
  redo_.clear();
}

}  // namespace orvelt

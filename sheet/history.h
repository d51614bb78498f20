#pragma once
// The changes made to the grids' data, step by step, so that each can be taken back and made
// again: bounded in steps and in the bytes of the texts it keeps, the oldest steps going first.

#include <QString>
#include <deque>
#include <optional>
#include <vector>

namespace orvelt {

// A cell of series 1 or 2, with its text before and after a change.
struct CellEdit {
  int series, col, row;
  QString before, after;
  bool operator==(const CellEdit&) const = default;
};

// One change as the user made it (a cell typed, a block pasted, a command), its cells in the
// order they were written.
using EditStep = std::vector<CellEdit>;

class EditHistory {
 public:
  static constexpr int kMaxSteps = 100;
  // Texts counted at two bytes a character, before and after: 16 Mi characters.
  static constexpr qsizetype kMaxBytes = qsizetype{32} << 20;

  explicit EditHistory(int maxSteps = kMaxSteps, qsizetype maxBytes = kMaxBytes)
      : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

  // A change made: the steps that could be made again are gone, and the oldest go while more
  // than the bounds are kept; the new step stays whatever its size. Cells whose text stayed are
  // left out, and a step without a changed cell is no step.
  void Record(EditStep step);
  // The step to take back, which can then be made again; none when there is none.
  std::optional<EditStep> Undo();
  // The step last taken back, to be made again; none when a change came since.
  std::optional<EditStep> Redo();
  // A change is under way: nothing can be made again.
  void DropRedo();

  int UndoCount() const { return int(undo_.size()); }
  int RedoCount() const { return int(redo_.size()); }
  qsizetype Bytes() const { return bytes_; }

 private:
  static qsizetype BytesOf(const EditStep& step);

  int maxSteps_;
  qsizetype maxBytes_;
  std::deque<EditStep> undo_;   // the oldest first
  std::vector<EditStep> redo_;  // the next to make again last
  qsizetype bytes_ = 0;         // of both
};

}  // namespace orvelt

#pragma once
// The graph window: it owns the graph picture and shows its plot square.

#include <QFrame>
#include <QImage>
#include <QWidget>

#include "graph/canvas.h"
#include "graph/views.h"

namespace orvelt {

// Shows the top-left corner of the picture at natural size: on a screen with more device pixels
// to the pixel, the picture drawn anew on that finer grid.
class PictureView : public QWidget {
 public:
  PictureView(const Canvas& canvas, QWidget* parent);

  // The picture has changed: the view repaints once, however many drawings came before.
  void PictureChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static constexpr int kStripRows = 32;

  const Canvas& canvas_;
  bool repaintAsked_ = false;
  // On a finer pixel grid, the picture at the ratio of the last paint, until the picture changes.
  QImage fine_;
};

}  // namespace orvelt

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPictureWidth = orvelt::kPictureWidth, kPictureHeight = orvelt::kPictureHeight;

  // Shows the last fit of `sheet`, which outlives the window.
  explicit TForm2(const orvelt::Worksheet& sheet, QWidget* parent = nullptr);

  QFrame* Bevel1;
  orvelt::PictureView* Image1;
  // The views of the picture, and what draws on it after its creation.
  orvelt::GraphViews* Views;

  // The picture's drawing surface; its pen, brush and font stay set between commands.
  orvelt::Canvas& Canvas() { return canvas_; }
  QImage Picture() const { return canvas_.Image(); }

  // Brings the window to the front with the keyboard focus.
  void Activate();
  // The whole picture, formula block included, to the clipboard.
  void CopyPicture() const;
  // Closes the window for good: only the end of the program does that.
  void Dismiss();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();

  orvelt::Canvas canvas_;
  bool dismissed_ = false;
};

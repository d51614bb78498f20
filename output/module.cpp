// The module of output/output.h: Qt's SVG generator, print dialog and printer.
#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRect>
#include <QSvgGenerator>

#include "output/output.h"

namespace orvelt {

namespace {

class QtOutput final : public Output {
 public:
  QByteArray Svg(QSize size, const QString& title, const QString& description,
                 const std::function<void(QPainter&)>& paint) const override {
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(title);
    svg.setDescription(description);
    QPainter painter(&svg);
    paint(painter);
    painter.end();
    return buffer.data();
  }

  bool RunPrintDialog(QPrinter& printer, QWidget* owner,
                      const std::function<void(QWidget&)>& prepare) const override {
    QPrintDialog dialog(&printer, owner);
    prepare(dialog);
    return dialog.exec() == QDialog::Accepted;
  }

  bool Print(const PrintJob& job) const override {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(job.title);
    printer.setCreator(job.creator);
    if (printer.outputFormat() == QPrinter::PdfFormat) printer.setOutputFileName(job.offeredFile);
    if (!job.dialog(printer)) return true;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
      job.toFile(printer.outputFileName(), printer.pageLayout());
      return true;
    }
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    job.paint(painter, QRectF(QPointF(0, 0), page.size()));
    return painter.end();
  }
};

}  // namespace

}  // namespace orvelt

extern "C" Q_DECL_EXPORT const orvelt::Output* orvelt_output() {
  static const orvelt::QtOutput output;
  return &output;
}
static_assert(std::is_same_v<decltype(&orvelt_output), orvelt::OutputEntry>);

#include "ui/style.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <functional>
#include <optional>

namespace orvelt {

namespace {

// An icon made on first use. Qt's styles make the extension icon from image files read with the
// format guessed, which loads every image format plugin (and with one of them Qt's SVG): a cost
// of the start for a button that is not shown.
class LaterIcon : public QIconEngine {
 public:
  explicit LaterIcon(std::function<QIcon()> make) : make_(std::move(make)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().actualSize(size, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().pixmap(size, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    return Icon().pixmap(size / scale, scale, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return Icon().availableSizes(mode, state);
  }
  bool isNull() override { return Icon().isNull(); }
  QIconEngine* clone() const override { return new LaterIcon(*this); }

 private:
  const QIcon& Icon() {
    if (!icon_) icon_ = make_();
    return *icon_;
  }

  std::function<QIcon()> make_;
  std::optional<QIcon> icon_;
};

class ProgramStyle : public QProxyStyle {
 public:
  ProgramStyle() : QProxyStyle(QStringLiteral("Windows")) {}

  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                     const QWidget* widget) const override {
    if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
      return QProxyStyle::standardIcon(icon, option, widget);
    // The icon depends on the direction alone, which the application's is when no option says.
    const Qt::LayoutDirection direction =
        option ? option->direction : QGuiApplication::layoutDirection();
    const QStyle* base = baseStyle();
    return QIcon(new LaterIcon([base, icon, direction] {
      QStyleOption given;
      given.direction = direction;
      return base->standardIcon(icon, &given);
    }));
  }
};

}  // namespace

QStyle* NewProgramStyle() {
  return new ProgramStyle;
}

}  // namespace orvelt

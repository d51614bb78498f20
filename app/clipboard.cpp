#include "app/clipboard.h"

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <memory>
#include <utility>

namespace orvelt {

namespace {

// Off X11 the toolkit's own clipboard serves; on the tests' offscreen platform it answers from
// memory at once.
class ToolkitClipboard : public ClipboardReader {
 public:
  void ReadText(QObject* context, Done done) override {
    const QString text = QGuiApplication::clipboard()->text();
    if (context) done(text.isEmpty() ? Pasted{} : Pasted{Pasted::Kind::kText, text});
  }
};

// The CLIPBOARD selection of X11, asked for on the toolkit's connection by a window of its own;
// the answer, and for a large text its pieces (ICCCM's INCR), come as events, which the filter
// takes before the toolkit sees them. The toolkit's own clipboard would wait for them with the
// event loop stopped, up to its timeout for each question, and it asks several.
class X11Clipboard : public QObject, public ClipboardReader, public QAbstractNativeEventFilter {
 public:
  explicit X11Clipboard(xcb_connection_t* connection) : connection_(connection) {
    clipboard_ = Atom("CLIPBOARD");
    utf8_ = Atom("UTF8_STRING");
    incr_ = Atom("INCR");
    property_ = Atom("ORVELT_PASTE");
    timer_.setSingleShot(true);
    timer_.setInterval(kClipboardTimeoutMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Finish(Pasted{}); });
    QCoreApplication::instance()->installNativeEventFilter(this);
  }

  void ReadText(QObject* context, Done done) override {
    context_ = context;
    done_ = std::move(done);
    if (window_) return;  // asked already: that answer serves this request
    // Our own text needs no round trip, and asking ourselves would wait for our own loop.
    if (QGuiApplication::clipboard()->ownsClipboard()) {
      const QString text = QGuiApplication::clipboard()->text();
      Finish(text.isEmpty() ? Pasted{} : Pasted{Pasted::Kind::kText, text});
      return;
    }
    // A fresh window for each paste: late events of an earlier one cannot be taken for its own.
    window_ = xcb_generate_id(connection_);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    Ask(utf8_);
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (!window_ || type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
      case XCB_SELECTION_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if (notify->requestor != window_) return false;
        if (notify->property == XCB_NONE) {
          // No UTF-8 from this owner: its Latin-1 text then, or nothing at all.
          if (target_ == utf8_) {
            Ask(XCB_ATOM_STRING);
          } else {
            Finish(Pasted{});
          }
          return true;
        }
        Take(false);
        return true;
      }
      case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window != window_) return false;
        if (incremental_ && notify->atom == property_ && notify->state == XCB_PROPERTY_NEW_VALUE)
          Take(true);
        return true;
      }
      default:
        return false;
    }
  }

 private:
  xcb_atom_t Atom(const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(qstrlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(connection_, cookie, nullptr), &free);
    return reply ? reply->atom : XCB_NONE;
  }

  void Ask(xcb_atom_t target) {
    target_ = target;
    xcb_convert_selection(connection_, window_, clipboard_, target, property_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
    timer_.start();
  }

  // The property the owner wrote: the whole text, the announcement of pieces to come, or one
  // piece (an empty one ends them). Deleting it tells the owner to go on.
  void Take(bool piece) {
    const uint32_t words = static_cast<uint32_t>(kMaxClipboardBytes / 4 + 1);
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection_, 1, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, words);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(connection_, cookie, nullptr), &free);
    xcb_flush(connection_);
    if (!reply) return Finish(Pasted{});
    const int length = xcb_get_property_value_length(reply.get());
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    if (!piece && reply->type == incr_) {
      incremental_ = true;
      bytes_.clear();
      timer_.start();
      return;
    }
    if (reply->bytes_after > 0 || bytes_.size() + length > kMaxClipboardBytes)
      return Finish(Pasted{Pasted::Kind::kTooLarge, QString()});
    bytes_.append(bytes, length);
    if (piece && length > 0) {
      timer_.start();  // the owner is working: each piece has its own wait
      return;
    }
    const QString text =
        target_ == utf8_ ? QString::fromUtf8(bytes_) : QString::fromLatin1(bytes_);
    Finish(text.isEmpty() ? Pasted{} : Pasted{Pasted::Kind::kText, text});
  }

  void Finish(const Pasted& pasted) {
    timer_.stop();
    if (window_) {
      xcb_destroy_window(connection_, window_);
      xcb_flush(connection_);
    }
    window_ = 0;
    incremental_ = false;
    bytes_.clear();
    // From the event loop, not from inside the toolkit's handling of an X event: the paste may
    // show a box, whose loop must not run in there.
    QMetaObject::invokeMethod(
        this,
        [context = context_, done = std::exchange(done_, nullptr), pasted] {
          if (context && done) done(pasted);
        },
        Qt::QueuedConnection);
  }

  xcb_connection_t* connection_;
  xcb_atom_t clipboard_, utf8_, incr_, property_, target_ = XCB_NONE;
  xcb_window_t window_ = 0;  // while a paste waits
  bool incremental_ = false;
  QByteArray bytes_;
  QTimer timer_;
  QPointer<QObject> context_;
  Done done_;
};

}  // namespace

ClipboardReader& SystemClipboard() {
  static ToolkitClipboard toolkit;
  // Lives as long as the application, whose connection it uses.
  static ClipboardReader* const reader = []() -> ClipboardReader* {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return &toolkit;
    auto* clipboard = new X11Clipboard(x11->connection());
    clipboard->setParent(qGuiApp);
    return clipboard;
  }();
  return *reader;
}

}  // namespace orvelt

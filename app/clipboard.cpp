#include "app/clipboard.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>
#include <utility>

namespace orvelt {

namespace {

QClipboard::Mode ModeOf(Selection which) {
  return which == Selection::kPrimary ? QClipboard::Selection : QClipboard::Clipboard;
}

Pasted TextOrNothing(const QString& text) {
  return text.isEmpty() ? Pasted{} : Pasted{Pasted::Kind::kText, text};
}

// Off X11 the toolkit's own clipboard serves; on the tests' offscreen platform it answers from
// memory at once, and has no PRIMARY selection.
class ToolkitClipboard : public ClipboardReader {
 public:
  void ReadText(Selection which, QObject* context, Done done) override {
    const QString text = QGuiApplication::clipboard()->text(ModeOf(which));
    if (context) done(TextOrNothing(text));
  }
};

// The selections of X11, each asked for on the toolkit's connection by a window of its own; the
// answer, and for a large text its pieces (ICCCM's INCR), come as events, which the filter takes
// before the toolkit sees them. The toolkit's own clipboard would wait for them with the event
// loop stopped, up to its timeout for each question, and it asks several. Nor is its idea of
// owning a selection to be trusted: it keeps it after another program set the owner to none, and
// would then ask a later owner in that blocking way.
class X11Clipboard : public QObject, public ClipboardReader, public QAbstractNativeEventFilter {
 public:
  explicit X11Clipboard(xcb_connection_t* connection) : connection_(connection) {
    utf8_ = Atom("UTF8_STRING");
    incr_ = Atom("INCR");
    property_ = Atom("ORVELT_PASTE");
    slots_[0].selection = Atom("CLIPBOARD");
    slots_[1].selection = XCB_ATOM_PRIMARY;
    for (Slot& slot : slots_) {
      slot.timer.setSingleShot(true);
      slot.timer.setTimerType(Qt::PreciseTimer);
      slot.timer.setInterval(kClipboardTimeoutMs);
      connect(&slot.timer, &QTimer::timeout, this, [this, &slot] { Finish(slot, Pasted{}); });
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
  }

  void ReadText(Selection which, QObject* context, Done done) override {
    Slot& slot = slots_[which == Selection::kPrimary ? 1 : 0];
    slot.context = context;
    slot.done = std::move(done);
    if (slot.window) return;  // asked already: that answer serves this request
    const xcb_window_t owner = Owner(slot.selection);
    if (owner == XCB_NONE) return Finish(slot, Pasted{});
    // Our own text is in the toolkit's memory, which it hands over once it, too, has found itself
    // the owner.
    if (OwnedByUs(owner))
      return Finish(slot, TextOrNothing(QGuiApplication::clipboard()->text(ModeOf(which))));
    // A fresh window for each paste: late events of an earlier one cannot be taken for its own.
    slot.window = xcb_generate_id(connection_);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, slot.window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    Ask(slot, utf8_);
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
      case XCB_SELECTION_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        Slot* slot = SlotOf(notify->requestor);
        if (!slot) return false;
        if (notify->property == XCB_NONE) {
          // No UTF-8 from this owner: its Latin-1 text then, or nothing at all.
          if (slot->target == utf8_) {
            Ask(*slot, XCB_ATOM_STRING);
          } else {
            Finish(*slot, Pasted{});
          }
          return true;
        }
        Take(*slot, false);
        return true;
      }
      case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        Slot* slot = SlotOf(notify->window);
        if (!slot || !slot->incremental || notify->atom != property_ ||
            notify->state != XCB_PROPERTY_NEW_VALUE) {
          // The deletions, above all: the toolkit, sending a large text of its own in pieces,
          // waits for them on the same connection.
          return false;
        }
        Take(*slot, true);
        return true;
      }
      default:
        return false;
    }
  }

 private:
  // One paste waiting for one selection.
  struct Slot {
    xcb_atom_t selection = XCB_NONE, target = XCB_NONE;
    xcb_window_t window = 0;  // while the paste waits
    bool incremental = false;
    QByteArray bytes;
    QTimer timer;
    QPointer<QObject> context;
    Done done;
  };

  Slot* SlotOf(xcb_window_t window) {
    for (Slot& slot : slots_)
      if (slot.window && slot.window == window) return &slot;
    return nullptr;
  }

  xcb_atom_t Atom(const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(qstrlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(connection_, cookie, nullptr), &free);
    return reply ? reply->atom : XCB_NONE;
  }

  // One round trip to the X server, never to the owner.
  xcb_window_t Owner(xcb_atom_t selection) {
    const xcb_get_selection_owner_cookie_t cookie = xcb_get_selection_owner(connection_, selection);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> reply(
        xcb_get_selection_owner_reply(connection_, cookie, nullptr), &free);
    return reply ? reply->owner : XCB_NONE;
  }

  // A window made on this connection, the toolkit's own included: the server gives each client a
  // range of ids of its own, its base with any bits of its mask.
  bool OwnedByUs(xcb_window_t owner) const {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    return (owner & ~setup->resource_id_mask) == setup->resource_id_base;
  }

  void Ask(Slot& slot, xcb_atom_t target) {
    slot.target = target;
    xcb_convert_selection(connection_, slot.window, slot.selection, target, property_,
                          XCB_CURRENT_TIME);
    xcb_flush(connection_);
    slot.timer.start();
  }

  // The property the owner wrote: the whole text, the announcement of pieces to come, or one
  // piece (an empty one ends them). Deleting it tells the owner to go on.
  void Take(Slot& slot, bool piece) {
    const uint32_t words = static_cast<uint32_t>(kMaxClipboardBytes / 4 + 1);
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection_, 1, slot.window, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, words);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(connection_, cookie, nullptr), &free);
    xcb_flush(connection_);
    if (!reply) return Finish(slot, Pasted{});
    const int length = xcb_get_property_value_length(reply.get());
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    if (!piece && reply->type == incr_) {
      slot.incremental = true;
      slot.bytes.clear();
      slot.timer.start();
      return;
    }
    if (reply->bytes_after > 0 || slot.bytes.size() + length > kMaxClipboardBytes)
      return Finish(slot, Pasted{Pasted::Kind::kTooLarge, QString()});
    slot.bytes.append(bytes, length);
    if (piece && length > 0) {
      slot.timer.start();  // the owner is working: each piece has its own wait
      return;
    }
    Finish(slot, TextOrNothing(slot.target == utf8_ ? QString::fromUtf8(slot.bytes)
                                                    : QString::fromLatin1(slot.bytes)));
  }

  void Finish(Slot& slot, const Pasted& pasted) {
    slot.timer.stop();
    if (slot.window) {
      xcb_destroy_window(connection_, slot.window);
      xcb_flush(connection_);
    }
    slot.window = 0;
    slot.incremental = false;
    slot.bytes.clear();
    // From the event loop, not from inside the toolkit's handling of an X event: the paste may
    // show a box, whose loop must not run in there.
    QMetaObject::invokeMethod(
        this,
        [context = slot.context, done = std::exchange(slot.done, nullptr), pasted] {
          if (context && done) done(pasted);
        },
        Qt::QueuedConnection);
  }

  xcb_connection_t* connection_;
  xcb_atom_t utf8_, incr_, property_;
  std::array<Slot, 2> slots_;  // CLIPBOARD, PRIMARY
};

// The reader is made on the first paste: its atoms cost round trips to the display, which the
// start-up need not wait for.
class FirstUseClipboard : public ClipboardReader {
 public:
  void ReadText(Selection which, QObject* context, Done done) override {
    static ToolkitClipboard toolkit;
    // Lives as long as the application, whose connection it uses.
    static ClipboardReader* const reader = []() -> ClipboardReader* {
      auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
      if (!x11 || !x11->connection()) return &toolkit;
      auto* clipboard = new X11Clipboard(x11->connection());
      clipboard->setParent(qGuiApp);
      return clipboard;
    }();
    reader->ReadText(which, context, std::move(done));
  }
};

}  // namespace

ClipboardReader& SystemClipboard() {
  static FirstUseClipboard reader;
  return reader;
}

}  // namespace orvelt

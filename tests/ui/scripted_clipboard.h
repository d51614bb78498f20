#pragma once
// A clipboard whose owner answers when the test says so.

#include <QList>
#include <QObject>
#include <QPointer>
#include <utility>

#include "app/clipboard.h"

class ScriptedClipboard : public orvelt::ClipboardReader {
 public:
  int asked = 0;
  QList<orvelt::Selection> selections;  // asked for, in order

  void ReadText(orvelt::Selection which, QObject* context, Done done) override {
    ++asked;
    selections << which;
    context_ = context;
    done_ = std::move(done);
  }
  bool Waiting() const { return bool(done_); }
  void Answer(const orvelt::Pasted& pasted) {
    const Done done = std::exchange(done_, nullptr);
    if (done && context_) done(pasted);
  }

 private:
  QPointer<QObject> context_;
  Done done_;
};

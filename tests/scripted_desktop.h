#pragma once
// A desktop that records every box and answers from a script, for tests without a person.

#include <QList>
#include <QStringList>

#include "app/desktop.h"

class ScriptedDesktop : public orvelt::Desktop {
 public:
  QList<orvelt::Box> boxes;
  QList<bool> answers;  // taken in order; Yes (or OK) when the script has run out
  QStringList helpFiles;          // asked to be shown, in order
  QList<QWidget*> helpOwners;     // the owner given with each
  QStringList fileNames;              // chosen in the dialogs, in order; empty: cancelled
  QList<orvelt::FileDialog> dialogs;  // as each dialog was opened

  bool Show(const orvelt::Box& box) override {
    boxes << box;
    return answers.isEmpty() ? true : answers.takeFirst();
  }
  bool Run(orvelt::FileDialog& dialog) override {
    dialogs << dialog;
    const QString name = fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    if (name.isEmpty()) return false;
    dialog.fileName = name;
    return true;
  }
  void ShowHelp(const QString& path, QWidget* owner) override {
    helpFiles << path;
    helpOwners << owner;
  }

  // The texts of the boxes shown so far, and forget them.
  QStringList TakeTexts() {
    QStringList texts;
    for (const orvelt::Box& b : boxes) texts << b.text;
    boxes.clear();
    return texts;
  }
};

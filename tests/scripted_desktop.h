#pragma once
// A desktop that records every box and answers from a script, for tests without a person.

#include <QList>
#include <QPageLayout>
#include <QPrinter>
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
  QList<int> filters;                 // the filter chosen in each, in order; the first when none
  QStringList printFiles;             // PDF files printed to, in order; empty: cancelled
  QStringList printOffers;            // the file each print dialog offered when it opened
  QPageLayout printPage = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);

  bool Show(const orvelt::Box& box) override {
    boxes << box;
    return answers.isEmpty() ? true : answers.takeFirst();
  }
  bool Run(orvelt::FileDialog& dialog) override {
    dialogs << dialog;
    const QString name = fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    const int filter = filters.isEmpty() ? 0 : filters.takeFirst();
    if (name.isEmpty()) return false;
    dialog.fileName = name;
    dialog.chosenFilter = filter;
    return true;
  }
  bool RunPrintDialog(QPrinter& printer) override {
    printOffers << printer.outputFileName();
    const QString name = printFiles.isEmpty() ? QString() : printFiles.takeFirst();
    if (name.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(name);
    printer.setPageLayout(printPage);
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

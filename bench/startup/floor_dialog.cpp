// The least any Qt panel of this shape costs: a dialog holding a tab widget
// with four empty tabs, run until it has first painted.

#include "app/shown_reporter.h"

#include <QApplication>
#include <QDialog>
#include <QTabWidget>
#include <QVBoxLayout>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QDialog dialog;
    auto* tabs = new QTabWidget(&dialog);
    for (const char* caption : {"Interface", "Display", "Setting", "About"})
        tabs->addTab(new QWidget, QString::fromLatin1(caption));
    (new QVBoxLayout(&dialog))->addWidget(tabs);
    lumivex::runUntilShown(dialog);
    return 0;
}

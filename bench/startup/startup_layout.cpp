// The main window's layout alone (its controls, fonts and colours, no MIDI,
// no catalogue, no settings): what a window of that many controls costs.
#include "IdleReport.h"
#include "ui_TfmVLDump.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    Ui::TfmVLDump ui;
    ui.setupUi(&window);
    window.show();
    reportWhenIdle();
    return app.exec();
}

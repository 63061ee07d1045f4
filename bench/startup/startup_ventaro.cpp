// Ventaro as the program entry builds it, quitting once its window is idle.
#include "IdleReport.h"
#include "TfmVLDump.h"
#include "VentaroProgram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ventaro"));
    QApplication::setApplicationVersion(QStringLiteral(VENTARO_VERSION));

    VentaroProgram program(app);
    program.window().show();
    reportWhenIdle();
    return app.exec();
}

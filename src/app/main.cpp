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
    program.openFileArgument(QApplication::arguments());
    return app.exec();
}

#include "CommandLine.h"
#include "TfmVLDump.h"
#include "VentaroProgram.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Decided before any application object: a command needs no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::isCommand(arguments))
        return CommandLine::main(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ventaro"));
    QApplication::setApplicationVersion(QStringLiteral(VENTARO_VERSION));

    VentaroProgram program(app);
    program.window().show();
    program.openFileArgument(QApplication::arguments());
    return app.exec();
}

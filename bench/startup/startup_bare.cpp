// A bare Qt Widgets window of Ventaro's size: the yardstick of start-up.
#include "IdleReport.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.resize(383, 308);
    window.show();
    reportWhenIdle();
    return app.exec();
}

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ventaro"));
    QApplication::setApplicationVersion(QStringLiteral(VENTARO_VERSION));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Ventaro"));
    window.show();
    return app.exec();
}

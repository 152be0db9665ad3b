#include <QApplication>

#include "app/MainWindow.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("limnova-viewer"));
    int rc = 0;
    {
        MainWindow window;
        window.show();
        rc = app.exec();
    }
    return rc;
}

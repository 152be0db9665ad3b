#include <QApplication>

#include "app/MainWindow.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int rc = 0;
    {
        MainWindow window;
        window.show();
        rc = app.exec();
    }
    return rc;
}

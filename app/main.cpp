#include <QApplication>
#include <QScreen>

#include "app/LaunchOptions.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("limnova-viewer"));
    const lmv::LaunchOptions options = lmv::parseLaunchOptions(QCoreApplication::arguments());
    int rc = 0;
    {
        MainWindow window;
        window.offerPort(options.port); // --port PATH, before the port of the last connect
        // The window's own geometry is 1200 × 800 at (500, 100); a smaller screen moves it, and
        // shrinks it if it must, so that the whole window can be reached.
        // Like the window's own move(), the position is that of the frame.
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect fitted = lmv::fitWindowRect(window.geometry(), screen->availableGeometry());
            window.resize(fitted.size());
            window.move(fitted.topLeft());
        }
        window.show();
        rc = app.exec();
    }
    return rc;
}

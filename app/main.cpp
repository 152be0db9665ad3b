#include <QApplication>
#include <QScreen>

#include "app/LaunchOptions.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const lmv::LaunchOptions launch = lmv::parseLaunchOptions(QApplication::arguments());
    if (!launch.error.isEmpty()) {
        std::fprintf(stderr, "limnova-viewer: %s\n", qPrintable(launch.error));
        return 2;
    }
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
        // Files named on the command line (or by the file manager) open as the open actions
        // open them, in PC mode; one that cannot be opened is said so as there.
        if (!launch.paths.isEmpty())
            window.on_pc_button_released();
        for (const QString &path : launch.paths)
            window.openLocalPath(path);
        rc = app.exec();
    }
    return rc;
}

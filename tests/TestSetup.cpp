// Linked into every test program: runs as the application object is created, before any test.
#include <QCoreApplication>
#include <QStandardPaths>

namespace {

// Settings and other per-user files go to the test locations (~/.qttest), never to the
// user's own configuration.
void isolateUserFiles()
{
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(isolateUserFiles)

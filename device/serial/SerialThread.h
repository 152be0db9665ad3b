#pragma once

#include <QThread>

// Serial worker: the port and its slots live in the GUI thread, the receive loop in run().
class SerialThread : public QThread
{
    Q_OBJECT
public:
    explicit SerialThread(QObject *parent = nullptr);
    ~SerialThread() override;

    // Asks the receive loop to end, waits for it, then closes the port.
    void stopAndWait();

protected:
    void run() override;
};

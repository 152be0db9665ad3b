#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// The logger's end of a pseudo-terminal. The simulator keeps its own descriptor of the
// slave side open, so a host that closes and reopens the port never makes the master
// report a hang-up; only hangup() ends the line.
class PtyLink : public QObject
{
    Q_OBJECT
public:
    explicit PtyLink(QObject *parent = nullptr);
    ~PtyLink() override;

    // Opens the master side and sets the slave side raw; false with a message on failure.
    bool open(QString *error);
    // Path of the slave side (for example /dev/pts/5), the port name the host opens.
    QString slavePath() const { return slavePath_; }

    // Paces output at baud bits per second, ten bits per byte; 0 writes as fast as the line takes.
    void setBaud(int baud) { baud_ = baud; }
    // Queues bytes for the host; they leave in order, paced when a baud rate is set.
    void send(const QByteArray &bytes);
    // Closes both sides of the pseudo-terminal: the host sees the line vanish.
    void hangup();
    bool isOpen() const { return master_ >= 0; }

signals:
    void received(const QByteArray &bytes);

private:
    void readMaster();
    void pump();

    int master_ = -1;
    int slaveKeep_ = -1;
    QString slavePath_;
    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *writeNotifier_ = nullptr;
    QByteArray outQueue_;
    int baud_ = 0;
    QTimer paceTimer_;
    QElapsedTimer paceClock_;
    qint64 pacedSent_ = 0;
};

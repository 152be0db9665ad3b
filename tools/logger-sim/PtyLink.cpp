#include "tools/logger-sim/PtyLink.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How often the paced writer hands the next bytes to the line.
constexpr int kPaceTickMs = 2;

} // namespace

PtyLink::PtyLink(QObject *parent) : QObject(parent)
{
    paceTimer_.setTimerType(Qt::PreciseTimer);
    paceTimer_.setInterval(kPaceTickMs);
    connect(&paceTimer_, &QTimer::timeout, this, &PtyLink::pump);
}

PtyLink::~PtyLink()
{
    hangup();
}

bool PtyLink::open(QString *error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error =
            QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        hangup();
        return false;
    }
    const char *name = ::ptsname(master_);
    if (!name) {
        *error = QStringLiteral("cannot name the pseudo-terminal");
        hangup();
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    slaveKeep_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slaveKeep_ >= 0) {
        // Raw until the host sets its own mode: no echo, no line editing, no CR/LF mapping.
        termios tio{};
        if (::tcgetattr(slaveKeep_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slaveKeep_, TCSANOW, &tio);
        }
    }
    termios mtio{};
    if (::tcgetattr(master_, &mtio) == 0) {
        ::cfmakeraw(&mtio);
        ::tcsetattr(master_, TCSANOW, &mtio);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyLink::readMaster);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyLink::pump);
    return true;
}

void PtyLink::send(const QByteArray &bytes)
{
    if (master_ < 0 || bytes.isEmpty())
        return;
    if (outQueue_.isEmpty()) {
        // A new burst: pacing counts from now, an idle line earns no credit.
        paceClock_.start();
        pacedSent_ = 0;
    }
    outQueue_.append(bytes);
    pump();
}

void PtyLink::pump()
{
    if (master_ < 0)
        return;
    while (!outQueue_.isEmpty()) {
        qint64 allowed = outQueue_.size();
        if (baud_ > 0) {
            const qint64 earned = paceClock_.nsecsElapsed() * baud_ / 10 / 1000000000LL;
            allowed = qMin<qint64>(allowed, earned - pacedSent_);
            if (allowed <= 0) {
                writeNotifier_->setEnabled(false);
                if (!paceTimer_.isActive())
                    paceTimer_.start();
                return;
            }
        }
        const ssize_t n = ::write(master_, outQueue_.constData(), static_cast<size_t>(allowed));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // The line is full (the host is not reading): wait until it takes more.
            paceTimer_.stop();
            writeNotifier_->setEnabled(true);
            return;
        }
        outQueue_.remove(0, static_cast<int>(n));
        pacedSent_ += n;
    }
    writeNotifier_->setEnabled(false);
    paceTimer_.stop();
}

void PtyLink::readMaster()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, static_cast<int>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: nothing more for now. EIO cannot happen while our own slave descriptor is open.
        return;
    }
}

void PtyLink::hangup()
{
    paceTimer_.stop();
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    if (slaveKeep_ >= 0)
        ::close(slaveKeep_);
    slaveKeep_ = -1;
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
    outQueue_.clear();
}

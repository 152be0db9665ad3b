#pragma once

#include <QWidget>

#include "data/StoreProgress.h"

class QLabel;
class QProgressBar;

// Progress window of a save into the local store: which file of how many is being copied, the
// bytes of the current file, and a bar each for the current file and the whole run. A top-level
// window without parent, hidden until a save starts. Closing it asks whether to stop.
class CopyDevProgress : public QWidget
{
    Q_OBJECT
public:
    explicit CopyDevProgress(QWidget *parent = nullptr);

    // Starts a run of count files and shows the window.
    void startCopy(quint32 count);
    // The next file begins; size is the device tree's size of it (0 for a file already cached).
    void nextFile(quint32 size);
    // The page in progress is complete.
    void pageDone();
    // The run is over: counters 0, window hidden.
    void finishCopy();

    const lmv::CopyProgressCounter &counter() const { return m_counter; }

    QLabel *fileNumberLabel = nullptr;
    QLabel *transferredLabel = nullptr;
    QLabel *filePercentLabel = nullptr;
    QLabel *totalPercentLabel = nullptr;
    QProgressBar *fileBar = nullptr;
    QProgressBar *totalBar = nullptr;

signals:
    // The user confirmed stopping the transfer.
    void ProgressTerminate();
    // Bytes arrived: the reply timer should be restarted, keeping its retry count.
    void TransferAlive();

public slots:
    void RefreshProgressBar(uint bytes);
    void on_ProgressTerminate();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *addLabel(const QString &text, int w, int h, int x, int y, int pointSize, bool centred = false);
    QProgressBar *addBar(int x, int y);
    void showCounter();

    lmv::CopyProgressCounter m_counter;
};

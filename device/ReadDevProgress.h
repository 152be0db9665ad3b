#pragma once

#include "data/Records.h"
#include "device/core/DownloadProgress.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

// Progress window of a download for viewing: bytes received and the percentage of the file.
// Closing it asks whether to stop; a confirmed stop is reported by ProgressTerminate().
class ReadDevProgress : public QWidget
{
    Q_OBJECT
public:
    explicit ReadDevProgress(QWidget *parent = nullptr);

    // Starts counting a file: size is the listed size (group RVA) or the day's byte range + 512
    // (group RVB); see expectedDeviceBytes() for what is expected from it. Shows the window.
    void start(lmv::Family family, quint32 size);
    // The page now arriving is complete.
    void pageDone();
    // The download is over: counters 0, window hidden.
    void finish();

    // Called first by every progress report, whether or not the window is shown (the main window
    // restarts its reply timer there, keeping the retry count).
    void setProgressHook(std::function<void()> hook) { progressHook = std::move(hook); }

    quint32 expectedBytes() const { return counter.expectedBytes(); }
    quint32 doneBytes() const { return counter.doneBytes(); }
    quint32 pageBytes() const { return counter.pageBytes(); }

    QLabel *bytes_label = nullptr;
    QLabel *percent_label = nullptr;
    QProgressBar *progress_bar = nullptr;

signals:
    void ProgressTerminate();

public slots:
    // The worker reports the bytes received so far of the reply now arriving.
    void RefreshProgressBar(uint bytes);
    // Counters 0; hides the window when it is shown.
    void on_ProgressTerminate();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void build();
    void showCounts();

    lmv::DownloadProgress counter;
    std::function<void()> progressHook;
    // Texts are redrawn when the percentage changes, otherwise at most every kRedrawMs: a fast
    // link reports progress thousands of times a second, and each redraw costs the page's time.
    static constexpr int kRedrawMs = 50;
    QElapsedTimer sinceRedraw;
    int shownPercent = -1;
    // Set while finish()/on_ProgressTerminate() hide the window, so no question is asked then.
    bool closingQuietly = false;
};

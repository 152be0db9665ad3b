#include "device/CopyDevProgress.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

#include "device/core/DownloadProgress.h"

CopyDevProgress::CopyDevProgress(QWidget *parent) : QWidget(parent)
{
    setFixedSize(580, 230);
    setWindowTitle(QStringLiteral("下载文件"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/image/logo_for_title.png")));
    setStyleSheet(QStringLiteral("background-color:rgb(255, 255, 255);"));

    addLabel(QStringLiteral("正在复制第"), 100, 20, 30, 20, 10);
    fileNumberLabel = addLabel(QString(), 40, 20, 130, 20, 10, true);
    addLabel(QStringLiteral("个文件"), 80, 20, 170, 20, 10);
    addLabel(QStringLiteral("已传输"), 60, 20, 250, 20, 10);
    transferredLabel = addLabel(QString(), 120, 20, 310, 20, 10, true);
    addLabel(QStringLiteral("字节"), 60, 20, 430, 20, 10);
    addLabel(QStringLiteral("已完成"), 100, 24, 30, 50, 12);
    filePercentLabel = addLabel(QStringLiteral("0"), 60, 24, 130, 50, 12, true);
    addLabel(QStringLiteral("%"), 20, 24, 190, 50, 12);
    fileBar = addBar(30, 90);
    addLabel(QStringLiteral("已完成"), 100, 24, 30, 130, 12);
    totalPercentLabel = addLabel(QStringLiteral("0"), 60, 24, 130, 130, 12, true);
    addLabel(QStringLiteral("%"), 20, 24, 190, 130, 12);
    totalBar = addBar(30, 170);

    fileNumberLabel->setObjectName(QStringLiteral("fileNumberLabel"));
    transferredLabel->setObjectName(QStringLiteral("transferredLabel"));
    filePercentLabel->setObjectName(QStringLiteral("filePercentLabel"));
    totalPercentLabel->setObjectName(QStringLiteral("totalPercentLabel"));
    fileBar->setObjectName(QStringLiteral("fileBar"));
    totalBar->setObjectName(QStringLiteral("totalBar"));
    hide();
}

QLabel *CopyDevProgress::addLabel(const QString &text, int w, int h, int x, int y, int pointSize,
                                  bool centred)
{
    auto *label = new QLabel(text, this);
    label->setFont(QFont(QStringLiteral("微软雅黑"), pointSize, QFont::Normal));
    label->setGeometry(x, y, w, h);
    if (centred)
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return label;
}

QProgressBar *CopyDevProgress::addBar(int x, int y)
{
    auto *bar = new QProgressBar(this);
    bar->setGeometry(x, y, 520, 20);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

void CopyDevProgress::showCounter()
{
    const lmv::CopyProgressCounter::Shown &s = m_counter.shown();
    fileNumberLabel->setText(s.fileNumber);
    transferredLabel->setText(s.transferred);
    filePercentLabel->setText(s.filePercent);
    totalPercentLabel->setText(s.totalPercent);
    fileBar->setValue(s.fileBar);
    totalBar->setValue(s.totalBar);
}

void CopyDevProgress::startCopy(quint32 count)
{
    m_counter.startCopy(count);
    showCounter();
    show();
}

void CopyDevProgress::nextFile(quint32 size)
{
    // The listed size of an RVA file includes the 324 header bytes that only the cache adds; the
    // bar follows the bytes the logger really sends, as the viewing download does.
    m_counter.nextFile(lmv::expectedDeviceBytes(lmv::Family::Rva, size));
    showCounter();
}

void CopyDevProgress::RefreshProgressBar(uint bytes)
{
    if (!isVisible())
        return;
    emit TransferAlive();
    m_counter.refresh(bytes);
    showCounter();
}

void CopyDevProgress::pageDone()
{
    m_counter.pageDone();
}

void CopyDevProgress::finishCopy()
{
    m_counter.reset();
    hide();
}

void CopyDevProgress::on_ProgressTerminate()
{
    if (isVisible())
        finishCopy();
}

void CopyDevProgress::closeEvent(QCloseEvent *event)
{
    // Only a user closing the shown window is asked; closing it hidden (at exit) just closes.
    if (!isVisible()) {
        event->accept();
        return;
    }
    const auto answer = QMessageBox::question(this, QStringLiteral("停止传输"),
                                              QStringLiteral("本文件未完整传输,是否停止传输?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    emit ProgressTerminate();
    event->accept();
}

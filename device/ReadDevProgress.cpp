#include "device/ReadDevProgress.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

namespace {

QLabel *placedLabel(QWidget *parent, const QString &text, int w, int h, int x, int y, int pointSize)
{
    auto *label = new QLabel(text, parent);
    label->setFont(QFont(QStringLiteral("微软雅黑"), pointSize, QFont::Normal));
    label->setGeometry(x, y, w, h);
    return label;
}

} // namespace

ReadDevProgress::ReadDevProgress(QWidget *parent) : QWidget(parent)
{
    build();
}

void ReadDevProgress::build()
{
    setFixedSize(580, 160);
    setWindowTitle(QStringLiteral("读取文件"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/image/logo_for_title.png")));
    setStyleSheet(QStringLiteral("background-color:rgb(255, 255, 255);"));

    placedLabel(this, QStringLiteral("正在读取文件"), 120, 20, 30, 20, 10);
    placedLabel(this, QStringLiteral("已传输"), 60, 20, 200, 20, 10);
    bytes_label = placedLabel(this, QStringLiteral("0"), 120, 20, 260, 20, 10);
    bytes_label->setAlignment(Qt::AlignCenter);
    placedLabel(this, QStringLiteral("字节"), 60, 20, 380, 20, 10);
    placedLabel(this, QStringLiteral("已完成"), 100, 20, 30, 50, 12);
    percent_label = placedLabel(this, QStringLiteral("0"), 60, 20, 130, 50, 12);
    placedLabel(this, QStringLiteral("%"), 20, 20, 190, 50, 12);
    progress_bar = new QProgressBar(this);
    progress_bar->setGeometry(30, 90, 520, 20);
    progress_bar->setRange(0, 100);
    progress_bar->setValue(0);
    progress_bar->setTextVisible(false);
}

void ReadDevProgress::start(lmv::Family family, quint32 size)
{
    counter.start(family, size);
    bytes_label->setText(QStringLiteral("0"));
    percent_label->setText(QStringLiteral("0"));
    progress_bar->setValue(0);
    shownPercent = -1;
    sinceRedraw.invalidate();
    show();
    raise();
}

void ReadDevProgress::RefreshProgressBar(uint bytes)
{
    if (progressHook)
        progressHook();
    if (!isVisible())
        return;
    counter.refresh(bytes);
    if (counter.percent() != shownPercent || !sinceRedraw.isValid() || sinceRedraw.elapsed() >= kRedrawMs)
        showCounts();
}

void ReadDevProgress::showCounts()
{
    const int percent = counter.percent();
    shownPercent = percent;
    sinceRedraw.start();
    bytes_label->setText(QString::number(counter.shownBytes()));
    percent_label->setText(QString::number(percent));
    progress_bar->setValue(percent);
}

void ReadDevProgress::pageDone()
{
    counter.pageDone();
}

void ReadDevProgress::finish()
{
    counter.finish();
    closingQuietly = true;
    hide();
    closingQuietly = false;
}

void ReadDevProgress::on_ProgressTerminate()
{
    counter.finish();
    if (isVisible())
        finish();
}

void ReadDevProgress::closeEvent(QCloseEvent *event)
{
    if (closingQuietly || !isVisible()) {
        event->accept();
        return;
    }
    const auto answer = QMessageBox::question(this, QStringLiteral("停止读取"),
                                              QStringLiteral("本文件未完整读取,是否停止读取?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    emit ProgressTerminate();
}

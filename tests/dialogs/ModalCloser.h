#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

// Closes every message box that becomes the active modal widget while it lives and records
// "title|text" of each, so a test can check which warnings were shown and in which order.
class ModalCloser : public QObject
{
public:
    ModalCloser()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { closeActive(); });
        m_timer.start();
    }

    const QStringList &seen() const { return m_seen; }

private:
    void closeActive()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_last)
            return;
        m_last = box;
        m_seen << box->windowTitle() + QLatin1Char('|') + box->text();
        box->done(QMessageBox::Ok);
    }

    QTimer m_timer;
    QStringList m_seen;
    // Boxes live on the stack, so the next one may reuse the address: QPointer tells them apart.
    QPointer<QMessageBox> m_last;
};

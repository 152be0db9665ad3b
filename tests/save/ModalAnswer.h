#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Answers every message box that becomes the active modal widget while it lives with the given
// button and records "title|text" of each, so a test sees which boxes came and in which order.
class ModalAnswer : public QObject
{
public:
    explicit ModalAnswer(QMessageBox::StandardButton answer = QMessageBox::Ok) : m_answer(answer)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { answerActive(); });
        m_timer.start();
    }

    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    const QStringList &seen() const { return m_seen; }

private:
    void answerActive()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_last)
            return;
        m_last = box;
        m_seen << box->windowTitle() + QLatin1Char('|') + box->text();
        QAbstractButton *button = box->button(m_answer);
        if (button)
            button->click();
        else
            box->done(m_answer);
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
    QStringList m_seen;
    QMessageBox *m_last = nullptr;
};

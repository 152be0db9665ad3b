#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the modal boxes that come up while it lives and the path questions of a window given
// to answerPathsOf(), and records each: message boxes as "title|text" (answered with the given
// button), path questions as "file|caption|filters" (answered with the queued names in turn; an
// empty name or none cancels). No file dialog is ever shown.
class ModalAnswer : public QObject
{
public:
    explicit ModalAnswer(QMessageBox::StandardButton answer = QMessageBox::Ok) : m_answer(answer)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { answerActive(); });
        m_timer.start();
    }
    ~ModalAnswer() override
    {
        if (m_detach)
            m_detach();
    }

    // Takes over the window's path questions while this lives; afterwards they are cancelled.
    template <class Window>
    void answerPathsOf(Window &window)
    {
        window.askPath = [this](const auto &question) {
            m_seen << QStringLiteral("file|") + question.caption + QLatin1Char('|') + question.filter;
            return m_fileNames.isEmpty() ? QString() : m_fileNames.takeFirst();
        };
        m_detach = [target = QPointer<Window>(&window)] {
            if (target)
                target->askPath = [](const auto &) { return QString(); };
        };
    }

    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    void queueFileName(const QString &name) { m_fileNames << name; }
    const QStringList &seen() const { return m_seen; }
    // Recorded message boxes only.
    QStringList boxes() const
    {
        QStringList out;
        for (const QString &s : m_seen)
            if (!s.startsWith(QLatin1String("file|")))
                out << s;
        return out;
    }

private:
    void answerActive()
    {
        QWidget *active = QApplication::activeModalWidget();
        // A later box may reuse the address of an earlier one, so answered ones carry a mark.
        if (!active || active->property("modalAnswered").toBool())
            return;
        auto *box = qobject_cast<QMessageBox *>(active);
        if (!box)
            return;
        active->setProperty("modalAnswered", true);
        m_seen << box->windowTitle() + QLatin1Char('|') + box->text();
        QAbstractButton *button = box->button(m_answer);
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (button)
            button->click();
        else
            box->done(m_answer);
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
    QStringList m_seen;
    QStringList m_fileNames;
    std::function<void()> m_detach;
};

#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Answers the modal boxes and file dialogs that come up while it lives, and records each:
// message boxes as "title|text" (answered with the given button), file dialogs as
// "file|caption|filters" (answered with the queued names in turn; an empty name cancels).
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
        if (auto *dialog = qobject_cast<QFileDialog *>(active)) {
            active->setProperty("modalAnswered", true);
            m_seen << QStringLiteral("file|") + dialog->windowTitle() + QLatin1Char('|') +
                          dialog->nameFilters().join(QLatin1String(";;"));
            const QString name = m_fileNames.isEmpty() ? QString() : m_fileNames.takeFirst();
            if (name.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(name);
                static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept, reached through the base
            }
            return;
        }
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
};

#include "app/PathQuestion.h"

#include <QFileDialog>

QString askPathWithFileDialog(QWidget *parent, const PathQuestion &question)
{
    const QString start = QStringLiteral("./");
    if (question.kind == PathQuestion::Kind::Save)
        return QFileDialog::getSaveFileName(parent, question.caption, start, question.filter);
    return QFileDialog::getOpenFileName(parent, question.caption, start, question.filter);
}

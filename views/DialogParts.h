#pragma once

// Widget building shared by the edit dialogs (calculation parameters, pipe). Kept inline so that
// a dialog's source file builds on its own.

#include <QFont>
#include <QPushButton>
#include <QString>
#include <QWidget>

// Font of the edit dialogs' titles, fields and buttons.
inline QFont dialogFont()
{
    return QFont(QStringLiteral("微软雅黑"), 10, 50);
}

// A 120 × 40 dialog button with the dialog font, placed at (x, y) in parent.
inline QPushButton *makeDialogButton(const QString &text, const char *objectName, int x, int y,
                                     QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setFont(dialogFont());
    button->setFixedSize(120, 40);
    button->move(x, y);
    return button;
}

#pragma once

#include <QWidget>

class CalendarBox : public QWidget
{
    Q_OBJECT
public:
    explicit CalendarBox(QWidget *parent = nullptr);
};

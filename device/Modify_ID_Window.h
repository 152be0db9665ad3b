#pragma once

#include <QWidget>

class Modify_ID_Window : public QWidget
{
    Q_OBJECT
public:
    explicit Modify_ID_Window(QWidget *parent = nullptr);
};

#pragma once

#include <QWidget>

class PipeModifyWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PipeModifyWindow(QWidget *parent = nullptr);
};

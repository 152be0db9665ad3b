#pragma once

#include <QWidget>

class ReadDevProgress : public QWidget
{
    Q_OBJECT
public:
    explicit ReadDevProgress(QWidget *parent = nullptr);
};

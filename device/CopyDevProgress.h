#pragma once

#include <QWidget>

class CopyDevProgress : public QWidget
{
    Q_OBJECT
public:
    explicit CopyDevProgress(QWidget *parent = nullptr);
};

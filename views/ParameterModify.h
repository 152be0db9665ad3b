#pragma once

#include <QWidget>

class ParameterModify : public QWidget
{
    Q_OBJECT
public:
    explicit ParameterModify(QWidget *parent = nullptr);
};

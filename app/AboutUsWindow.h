#pragma once

#include <QWidget>

class AboutUsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutUsWindow(QWidget *parent = nullptr);
};

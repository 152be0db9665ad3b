#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Window "关于我们": the maker's name and web address, with an OK button that hides it.
class AboutUsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutUsWindow(QWidget *parent = nullptr);

public slots:
    // Shows the window (one window however often it is chosen).
    void AboutUsWindowInit();
    // Hides the window.
    void AboutUsWindowDeinit();

private:
    QLabel *m_company = nullptr;
    QLabel *m_web = nullptr;
    QPushButton *m_ok = nullptr;
};

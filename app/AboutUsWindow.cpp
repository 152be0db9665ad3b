#include "app/AboutUsWindow.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

AboutUsWindow::AboutUsWindow(QWidget *parent) : QWidget(parent)
{
    const QFont font(QStringLiteral("微软雅黑"), 12, 50);
    m_company = new QLabel(QStringLiteral("公司名称:Corvala"), this);
    m_web = new QLabel(QStringLiteral("官网:www.corvala.com.cn"), this);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok_btn"));
    for (QWidget *w :
         {static_cast<QWidget *>(m_company), static_cast<QWidget *>(m_web), static_cast<QWidget *>(m_ok)})
        w->setFont(font);
    m_company->adjustSize();
    m_web->adjustSize();
    m_company->move(40, 30);
    m_web->move(40, 80);
    // Centred on the window's middle, x = 200. The button takes its natural size first: an
    // unsized child would otherwise shrink to it when shown and sit off centre.
    m_ok->adjustSize();
    m_ok->move(200 - m_ok->width() / 2, 140);

    setWindowIcon(QIcon(QStringLiteral(":/icon/image/logo_for_title.png")));
    setWindowTitle(QStringLiteral("关于我们"));
    resize(400, 200);
    hide();
    connect(m_ok, &QPushButton::clicked, this, &AboutUsWindow::AboutUsWindowDeinit);
}

void AboutUsWindow::AboutUsWindowInit()
{
    show();
    raise();
    activateWindow();
}

void AboutUsWindow::AboutUsWindowDeinit()
{
    hide();
}

#include "app/DevSelection.h"

#include <QIcon>
#include <QPushButton>
#include <QWidget>

namespace {

QPushButton *makeModeButton(QWidget *panel, int y, const QString &icon, bool checked)
{
    auto *button = new QPushButton(panel);
    button->setFlat(true);
    button->setCheckable(true);
    button->setChecked(checked);
    // Placed by position, not by a layout: the panel is a fixed-width strip.
    button->setGeometry(0, y, 85, 80);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(64, 64));
    button->setStyleSheet(QStringLiteral("QPushButton:checked{background-color:rgb(115, 215, 255);"
                                         "                 border-style:none;}"));
    return button;
}

} // namespace

void DevSelection::setupDevSelection(QWidget *parent)
{
    selection_panel = new QWidget(parent);
    selection_panel->setFixedWidth(85);
    selection_panel->setStyleSheet(QStringLiteral("background-color:rgb(0, 155, 195);"));
    // The panel paints its own background colour (a plain QWidget child would not).
    selection_panel->setAttribute(Qt::WA_StyledBackground, true);

    dev_button = makeModeButton(selection_panel, 50, QStringLiteral(":/button/image/usb3.png"), true);
    pc_button = makeModeButton(selection_panel, 170, QStringLiteral(":/button/image/laptop2.png"), false);
}

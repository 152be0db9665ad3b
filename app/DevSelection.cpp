#include "app/DevSelection.h"

#include <QWidget>

void DevSelection::setupDevSelection(QWidget *parent)
{
    (void)parent;
}

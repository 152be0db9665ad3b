#include "app/CalendarBox.h"

CalendarBox::CalendarBox(QWidget *parent) : QWidget(parent) {}

#include "device/Modify_ID_Window.h"

Modify_ID_Window::Modify_ID_Window(QWidget *parent) : QWidget(parent) {}

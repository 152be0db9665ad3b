#include "device/ReadDevProgress.h"

ReadDevProgress::ReadDevProgress(QWidget *parent) : QWidget(parent) {}

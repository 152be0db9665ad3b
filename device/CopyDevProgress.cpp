#include "device/CopyDevProgress.h"

CopyDevProgress::CopyDevProgress(QWidget *parent) : QWidget(parent) {}

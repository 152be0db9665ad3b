#include "views/ParameterModify.h"

ParameterModify::ParameterModify(QWidget *parent) : QWidget(parent) {}

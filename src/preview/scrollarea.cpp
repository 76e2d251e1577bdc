#include "scrollarea.h"

ScrollArea::ScrollArea(QWidget *parent) : QScrollArea(parent) {}

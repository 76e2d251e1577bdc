#include "dirview.h"

DirView::DirView(QWidget *parent) : QTreeView(parent) {}

#pragma once

#include <QByteArray>

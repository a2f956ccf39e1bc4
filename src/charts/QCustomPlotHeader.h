#pragma once

// QCustomPlot's header is written with Qt's bare keywords (signals, emit, foreach), which the
// project switches off; they stand in for it while it is read.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach

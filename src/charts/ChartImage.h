#pragma once

#include "evaluation/BenchReport.h"

#include <QByteArray>

// A report's chart drawn with the strip charts' plotting library, as PNG bytes. The plot is a
// widget, so this needs a QApplication (offscreen will do); without one it gives nothing and the
// report goes without its images.
QByteArray RenderChartPng(const BenchChart& chart, int width = 800, int height = 450);

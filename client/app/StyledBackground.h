#pragma once

class QWidget;

// A plain QWidget subclass draws no style-sheet background of its own; this
// lets the style paint it as it does for QWidget itself.
void paintStyledBackground(QWidget* widget);

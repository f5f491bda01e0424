#pragma once

class QLabel;

// Puts the brand's logo into a window's logo label; without one the label
// keeps the built-in logo.
void applyBrandLogo(QLabel* label);

#pragma once

#include <QString>

// A window key's whole number, accepted only within [low, high].
bool numberInRange(const QString& text, int low, int high, int* value);

#pragma once

#include <QString>
#include <QtGlobal>

// Makes every Qt warning or critical line a test failure: a window test that
// prints "No matching signal for on_…", "QPainter::begin" or a failed connect
// has a fault even when everything it asserts holds. Install it from
// initTestCase(), after Qt Test has set up its own message handling.
namespace QtWarningsFail {

void install();
// The next message of this type and text is one the test provokes on purpose:
// Qt Test fails the test if it never comes, and it does not fail the test when it does.
void expect(QtMsgType type, const QString& text);

} // namespace QtWarningsFail

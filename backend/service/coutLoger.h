#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// The message handler of the check modes: their log goes to standard output only.
void coutLoger(QtMsgType type, const QMessageLogContext& context, const QString& message);

#pragma once

#include <QString>

// The application's system log: one line per call, as a warning on Qt's message handler
// (so tests can expect a line with QTest::ignoreMessage(QtWarningMsg, text)).
void TBLog(const QString& message);

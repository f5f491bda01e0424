#pragma once

#include <QFile>
#include <QTextStream>

// One line of the partner utility's own log, "yeb_util_log.txt" in the user's
// shared data folder: stamped when made, ended and flushed when it goes. When
// the log cannot be opened the line goes nowhere and the utility works on.
class UtilLogLine
{
public:
    UtilLogLine();
    ~UtilLogLine();
    UtilLogLine(const UtilLogLine&) = delete;
    UtilLogLine& operator=(const UtilLogLine&) = delete;

    template <typename T>
    UtilLogLine& operator<<(const T& value)
    {
        if (file.isOpen())
            stream << value;
        return *this;
    }

    static QString logPath();

private:
    QFile file;
    QTextStream stream;
};

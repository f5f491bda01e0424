#pragma once

#include <QString>

// The text with the value of every secret hidden: "name=value" pairs of URLs and
// form bodies, and the content of "<name>...</name>" elements, where name is
// "username" or holds "password", "token" or "serial" (any case). Everything a
// log line, a report or a diagnostic shows of a request or a reply passes here.
QString maskSecrets(const QString& text);

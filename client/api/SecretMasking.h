#pragma once

#include <QString>

// The text with the value of every secret hidden: "name=value" pairs of URLs,
// form bodies and command lines ("--name=value", "--name value"), the content of
// "<name>...</name>" elements, where name is "username", "pass", "passwd",
// "secret", "key" or holds "password", "token" or "serial" (any case), the value
// of "Authorization" headers, and every remembered secret wherever it stands.
// Everything a log line, a report or a diagnostic shows passes here.
QString maskSecrets(const QString& text);

// A secret the program holds (a password), hidden from then on by maskSecrets()
// wherever it appears. Values shorter than MinRememberedSecret are not taken:
// hiding every "ab" would wreck the text around them. Any thread.
constexpr int MinRememberedSecret = 4;
void rememberSecret(const QString& value);
void forgetRememberedSecrets();

#include "JsonReportCommand.h"

JsonReportCommand::JsonReportCommand(const QString& act, const ClientAuthData& auth,
                                     std::initializer_list<Field> fields, QObject* parent)
    : AccountCommand(act, auth, fields, parent)
{
}

void JsonReportCommand::sendJson(const QString& jsonTemplate, const QStringList& values)
{
    QString json;
    for (int i = 0; i < jsonTemplate.size(); ++i) {
        const QChar c = jsonTemplate[i];
        const int number = i + 1 < jsonTemplate.size() ? jsonTemplate[i + 1].digitValue() : -1;
        if (c == QLatin1Char('%') && number >= 1 && number <= values.size()) {
            json += values[number - 1];
            ++i;
        } else {
            json += c;
        }
    }
    urlQuery = params;
    params.clear();
    body = json.toUtf8();
    post = true;
    contentType = QStringLiteral("application/json");
}

QString JsonReportCommand::escaped(const QString& value)
{
    QString text;
    text.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '"':
            text += QLatin1String("\\\"");
            break;
        case '\\':
            text += QLatin1String("\\\\");
            break;
        case '\b':
            text += QLatin1String("\\b");
            break;
        case '\f':
            text += QLatin1String("\\f");
            break;
        case '\n':
            text += QLatin1String("\\n");
            break;
        case '\r':
            text += QLatin1String("\\r");
            break;
        case '\t':
            text += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                text += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                text += c;
        }
    }
    return text;
}

bool JsonReportCommand::readXml(const QDomElement&)
{
    return true;
}

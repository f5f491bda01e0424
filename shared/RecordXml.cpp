#include "RecordXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace RecordXml {

QString write(const QString& root, const QStringList& elementNames, const QStringList& values)
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.writeStartDocument(QStringLiteral("1.0"));
    writer.writeStartElement(root);
    for (int i = 0; i < elementNames.size(); ++i)
        writer.writeTextElement(elementNames.at(i), values.value(i));
    writer.writeEndElement();
    writer.writeEndDocument();
    // Records travel as single lines, so line feeds inside values go too.
    text.remove(QLatin1Char('\n'));
    return text.trimmed();
}

QStringList read(const QString& text, const QString& root, int fieldCount)
{
    QXmlStreamReader reader(text + QLatin1Char('\n'));
    reader.readNext();
    if (reader.documentVersion() != QLatin1String("1.0"))
        return {};
    reader.readNext();
    if (reader.name() != root)
        return {};

    QStringList fields;
    for (int i = 0; i < fieldCount; ++i) {
        QString value;
        if (reader.readNextStartElement())
            value = reader.readElementText();
        fields << value;
    }
    return fields;
}

} // namespace RecordXml

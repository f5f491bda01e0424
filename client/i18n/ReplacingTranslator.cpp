#include "ReplacingTranslator.h"

QString ReplacingTranslator::translate(const char* context, const char* sourceText, const char* disambiguation,
                                       int n) const
{
    const QString translated = QTranslator::translate(context, sourceText, disambiguation, n);
    return translated.isNull() ? QString::fromUtf8(sourceText) : translated;
}

#pragma once

#include <QTranslator>

// Answers every look-up: what its catalogue lacks comes back as the source text,
// so the interface never shows an empty string where a translation is missing.
class ReplacingTranslator : public QTranslator
{
    Q_OBJECT
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
};

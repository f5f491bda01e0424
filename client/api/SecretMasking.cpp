#include "SecretMasking.h"

#include <QRegularExpression>

namespace {

const QString Mask = QStringLiteral("***");
const QString SecretName = QStringLiteral(R"((?:username|[A-Za-z0-9_.-]*(?:password|token|serial)[A-Za-z0-9_.-]*))");

// A name right after the start, "?", "&", ";" (as in "&amp;") or white space, so
// that "serials=" inside another word's value is not taken for a parameter.
const QRegularExpression& parameterPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"((^|[?&;\s])(%1)=[^&#\s<>"']+)").arg(SecretName),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// The element's whole content, nested markup and CDATA included; an empty
// element ("<token/>") has none.
const QRegularExpression& elementPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(<(%1)(\s[^>]*?)?(?<!/)>.*?</\1\s*>)").arg(SecretName),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

} // namespace

QString maskSecrets(const QString& text)
{
    QString masked = text;
    masked.replace(elementPattern(), QStringLiteral("<\\1\\2>") + Mask + QStringLiteral("</\\1>"));
    masked.replace(parameterPattern(), QStringLiteral("\\1\\2=") + Mask);
    return masked;
}

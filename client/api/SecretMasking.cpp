#include "SecretMasking.h"

#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

const QString Mask = QStringLiteral("***");
const QString SecretName =
    QStringLiteral(R"((?:username|pass|passwd|secret|key|[A-Za-z0-9_.-]*(?:password|token|serial)[A-Za-z0-9_.-]*))");

// A name right after the start, "?", "&", ";" (as in "&amp;"), white space or
// an option's dashes, so that "serials=" inside another word's value is not
// taken for a parameter.
const QRegularExpression& parameterPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"((^|[?&;\s]-{0,2})(%1)=[^&#\s<>"']+)").arg(SecretName),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// An option whose value is the next argument: "--password hunter2".
const QRegularExpression& optionPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"((\s--?)(%1)([ \t]+)(?!-)[^\s<>"']+)").arg(SecretName),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

const QRegularExpression& authorizationPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(\b((?:Proxy-)?Authorization:[ \t]*)[^\r\n]+)"),
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

QMutex rememberedLock;
QStringList remembered;

} // namespace

QString maskSecrets(const QString& text)
{
    QString masked = text;
    {
        const QMutexLocker lock(&rememberedLock);
        for (const QString& secret : qAsConst(remembered))
            masked.replace(secret, Mask);
    }
    masked.replace(elementPattern(), QStringLiteral("<\\1\\2>") + Mask + QStringLiteral("</\\1>"));
    masked.replace(authorizationPattern(), QStringLiteral("\\1") + Mask);
    masked.replace(optionPattern(), QStringLiteral("\\1\\2\\3") + Mask);
    masked.replace(parameterPattern(), QStringLiteral("\\1\\2=") + Mask);
    return masked;
}

void rememberSecret(const QString& value)
{
    if (value.size() < MinRememberedSecret)
        return;
    const QMutexLocker lock(&rememberedLock);
    if (remembered.contains(value))
        return;
    remembered.append(value);
    // A secret holding another is hidden whole before the shorter one cuts it.
    std::sort(remembered.begin(), remembered.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
}

void forgetRememberedSecrets()
{
    const QMutexLocker lock(&rememberedLock);
    remembered.clear();
}

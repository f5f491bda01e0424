#include "UiFonts.h"

#include <QFont>

void UiFonts::installSubstitutes()
{
    for (const char* face : {"KievitComp", "KievitComp-Bold", "KievitOT-Book"})
        QFont::insertSubstitution(QString::fromLatin1(face), QStringLiteral("Lato"));
}

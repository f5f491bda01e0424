#include "i18consts.h"

#include <QMetaObject>
#include <QObject>

#include <cstddef>

namespace {

struct WidthRow
{
    const char* language;
    const char* key;
    int width;
};

struct ImageRow
{
    const char* language;
    const char* key;
    const char* fileName;
};

const WidthRow widths[] = {
    {"en", "Settings::applyButton", 81},
    {"de", "Settings::applyButton", 82},
    {"en", "QuickStart::btnClose", 83},
    {"de", "QuickStart::btnClose", 84},
};

const ImageRow images[] = {
    {"en", "Guide::label_3", "qs_menuscr_small.png"},
    {"de", "Guide::label_3", "qs_menuscr_small.png"},
};

template <typename Row, std::size_t N>
const Row* find(const Row (&rows)[N], const QString& language, const QString& key)
{
    for (const Row& row : rows) {
        if (language == QLatin1String(row.language) && key == QLatin1String(row.key))
            return &row;
    }
    return nullptr;
}

} // namespace

int i18consts::findPushButtonWidth(const QString& language, const QString& key)
{
    const WidthRow* row = find(widths, language, key);
    return row ? row->width : 0;
}

QString i18consts::findImageSourceFileName(const QString& language, const QString& key)
{
    const ImageRow* row = find(images, language, key);
    return row ? QString::fromLatin1(row->fileName) : QString();
}

QString i18consts::findWndName(const QObject* object)
{
    for (; object; object = object->parent()) {
        const QMetaObject* base = object->metaObject()->superClass();
        if (base && qstrcmp(base->className(), "OZDialog") == 0)
            return object->objectName();
    }
    return QString();
}

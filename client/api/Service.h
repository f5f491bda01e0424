#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// One optional service of the account, as the service lists it for this device,
// with the settings it offers. Owns its settings: moved, never copied.
class Service
{
public:
    class ListSetting;
    class RangeSetting;

    // One setting of a service; its kind says which of the two it is.
    class Setting
    {
    public:
        enum Type { List = 0, Range = 1 };

        virtual ~Setting();
        virtual Type type() const = 0;
        // Out of line so that the class's virtual table lives in one object file.
        virtual void virtualTableOptimizer();

        // This setting as its kind, or null when it is of the other kind.
        ListSetting* listSetting();
        const ListSetting* listSetting() const;
        RangeSetting* rangeSetting();
        const RangeSetting* rangeSetting() const;

        QString id;
        QString name;
    };

    // A choice among values; index always points into them.
    class ListSetting : public Setting
    {
    public:
        Type type() const override;

        QStringList values;
        qint32 index = 0;
    };

    // A number within min and max, both included.
    class RangeSetting : public Setting
    {
    public:
        Type type() const override;

        qint32 min = 0;
        qint32 max = 0;
        qint32 value = 0;
    };

    Service() = default;
    // Leaves other with empty texts, no blocks and no settings: Qt's strings and
    // lists and the standard vector promise that of a move.
    Service(Service&& other) noexcept = default;
    // Exchanges the two services' contents.
    Service& operator=(Service&& other) noexcept;
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    QString id;
    QString name;
    QString description;
    bool active = false;
    // Services that cannot be on together with this one.
    QStringList block;
    // In the order of the reply.
    std::vector<std::unique_ptr<Setting>> settings;
};

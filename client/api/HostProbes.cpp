#include "HostProbes.h"

#include "LinuxHostFacts.h"

#include <QDebug>
#include <QMessageAuthenticationCode>
#include <QUuid>

namespace {

HostFacts* installedFacts = nullptr;

// Mixed with the machine's id so that this application's id tells nothing about
// the machine's and matches no other application's.
const QByteArray ProductKey = QByteArray::fromHex("f32690da270ac285ab4425d4c6eb9895");

struct AntivirusProduct
{
    const char* name;
    const char* program;
};

// By name, in code-point order.
const AntivirusProduct AntivirusProducts[] = {
    {"Clam", "clamscan"},
};

QString applicationSpecificId(const QByteArray& machineId)
{
    if (machineId.size() != 16)
        return QString();
    QByteArray id = QMessageAuthenticationCode::hash(ProductKey, machineId, QCryptographicHash::Sha256).left(16);
    id[6] = char((id[6] & 0x0F) | 0x40);
    id[8] = char((id[8] & 0x3F) | 0x80);
    return QUuid::fromRfc4122(id).toString(QUuid::WithoutBraces).toUpper();
}

QString hardwareAttribute(const char* name)
{
    return dequote(hostFacts().hardwareAttribute(QLatin1String(name)).trimmed());
}

std::optional<QString> versionOutput(const char* program)
{
    return hostFacts().programOutput(QLatin1String(program), {QStringLiteral("--version")});
}

// What the first of the programs that is installed says of its version.
QString versionOfFirst(std::initializer_list<const char*> programs)
{
    for (const char* program : programs) {
        if (const auto output = versionOutput(program))
            return *output;
    }
    return QString();
}

} // namespace

HostFacts& hostFacts()
{
    if (installedFacts)
        return *installedFacts;
    static LinuxHostFacts machine;
    return machine;
}

void setHostFacts(HostFacts* facts)
{
    installedFacts = facts;
}

QString GetPlatformUUID(bool logOutput)
{
    const QString id = applicationSpecificId(hostFacts().machineId());
    if (logOutput)
        qCritical().noquote() << QStringLiteral("GetPlatformUUID cmd output:\n") + id;
    return id;
}

QString GetSystemSerialNumber()
{
    return hardwareAttribute("product_serial");
}

QString GetModelIdentifier()
{
    return hardwareAttribute("product_name");
}

QString GetBoardSerial()
{
    return hardwareAttribute("board_serial");
}

QString GetOSVersion()
{
    const QMap<QString, QString> release = hostFacts().osRelease();
    const QStringList parts = {release.value(QStringLiteral("NAME")), release.value(QStringLiteral("VERSION_ID")),
                               hostFacts().kernelRelease()};
    return despace(parts.join(QLatin1Char(' ')).trimmed());
}

QString GetSystemDomain()
{
    return hostFacts().hostName().trimmed();
}

QString GetSafaryVersion()
{
    return QString();
}

QString GetFirefoxVersion()
{
    return versionOfFirst({"firefox", "firefox-esr"}).trimmed();
}

QString GetChromeVersion()
{
    const QString version = denewline(versionOfFirst({"google-chrome", "chromium"})).trimmed();
    return version.isEmpty() ? QStringLiteral("none") : version;
}

QString GetAntivirusVersion()
{
    QString versions;
    for (const AntivirusProduct& product : AntivirusProducts) {
        const auto output = versionOutput(product.program);
        if (output && !output->isEmpty())
            versions += QLatin1String(product.name) + QLatin1Char(':') + *output + QLatin1String("; ");
    }
    return versions.isEmpty() ? QStringLiteral("none") : versions;
}

QString dequote(QString text)
{
    return text.remove(QLatin1Char('"')).remove(QLatin1Char('<')).remove(QLatin1Char('>'));
}

QString despace(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    while (text.contains(QLatin1String("  ")))
        text.replace(QLatin1String("  "), QLatin1String(" "));
    return text;
}

QString denewline(QString text)
{
    return text.remove(QLatin1Char('\n'));
}

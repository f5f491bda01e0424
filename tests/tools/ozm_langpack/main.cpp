// Builds, unpacks and reads language packs:
//   ozm_langpack pack SRC OUT            the tree SRC becomes the pack OUT
//   ozm_langpack unpack PACK DEST        the tree of PACK is written to DEST
//   ozm_langpack cat PACK ENTRY...       the files named by their paths in the pack, e.g. /images/ui/a.png,
//                                        their bytes to standard output in order
// Exit code 0 when everything worked, 1 otherwise.

#include "FileContainer.h"
#include "FileContainerPacker.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

int usage()
{
    QTextStream(stderr) << "usage: ozm_langpack pack SRC OUT | unpack PACK DEST | cat PACK ENTRY...\n";
    return 1;
}

bool catEntries(const QString& pack, const QStringList& entries)
{
    FileContainer container(pack);
    if (!container.isContainerOpened())
        return false;
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return false;
    bool all = true;
    for (const QString& entry : entries) {
        const int cut = entry.lastIndexOf(QLatin1Char('/'));
        const QString path = cut > 0 ? entry.left(cut) : QStringLiteral("/");
        const QByteArray contents = container.readFile(entry.mid(cut + 1), path);
        if (contents.isNull()) {
            QTextStream(stderr) << "ozm_langpack: cannot read " << entry << '\n';
            all = false;
        } else if (out.write(contents) != contents.size()) {
            return false;
        }
    }
    return out.flush() && all;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.value(0);

    bool done = false;
    if (command == QLatin1String("pack") && args.size() == 3)
        done = FileContainerPacker::packDirectoryToContainer(args[1], args[2], {});
    else if (command == QLatin1String("unpack") && args.size() == 3)
        done = FileContainerPacker::unpackContainerToDirectory(args[2], args[1]);
    else if (command == QLatin1String("cat") && args.size() >= 3)
        done = catEntries(args[1], args.mid(2));
    else
        return usage();
    return done ? 0 : 1;
}

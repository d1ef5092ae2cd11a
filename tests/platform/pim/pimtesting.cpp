// SPDX-License-Identifier: MIT
#include "pimtesting.h"

#include "progids.h"
#include "pimapplication.h"
#include "pimclasses.h"

Scratch::Scratch(const QStringList &dataFiles, const QString &collection) : m_collection(collection)
{
    QDir().mkpath(collectionPath());
    for (const QString &f : dataFiles)
        add(f);
    Pim::registerPimClasses();
    application = Pim::createApplication({storePath()}, {});
    nameSpace = application->GetNamespace(QStringLiteral("MAPI"));
}

void Scratch::add(const QString &dataFile, const QString &as)
{
    const QString name = as.isEmpty() ? QFileInfo(dataFile).fileName() : as;
    write(name, readFile(dataPath(dataFile)));
}

void Scratch::write(const QString &name, const QByteArray &bytes)
{
    QFile f(filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::shared_ptr<OlFolder> Scratch::collection()
{
    for (const auto &store : nameSpace->Folders())
        for (const auto &folder : store->Folders())
            if (folder->EntryID() == m_collection)
                return folder;
    return nullptr;
}

std::shared_ptr<OlItem> Scratch::item(const QString &name)
{
    const auto items = collection()->Items();
    QStringList names = QDir(collectionPath()).entryList(QDir::Files, QDir::Name);
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString &n) {
                    return !n.endsWith(QLatin1String(".vcf")) && !n.endsWith(QLatin1String(".ics"));
                }), names.end());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.toUtf8() < b.toUtf8();
    });
    const int index = int(names.indexOf(name)) + 1;
    return index > 0 ? items->Item(index) : nullptr;
}

std::unique_ptr<SafeItem> Scratch::wrap(const QString &name)
{
    auto it = item(name);
    const ItemKinds::Kind *kind = ItemKinds::ofType(it->TypeName());
    auto wrapper = ClassFactory::create<SafeItem>(QLatin1String(kind ? kind->progId : ProgId::SafeTaskItem));
    wrapper->setItem(it);
    return wrapper;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString dataPath(const QString &relative) { return QStringLiteral(TESTDATA_DIR "/") + relative; }

QString firstDifference(const QByteArray &actual, const QByteArray &expected)
{
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    for (qsizetype i = 0; i < qMax(a.size(), e.size()); ++i) {
        const QByteArray x = a.value(i), y = e.value(i);
        if (x != y)
            return QStringLiteral("line %1:\n  actual:   %2\n  expected: %3")
                .arg(i + 1)
                .arg(QString::fromLatin1(x.toPercentEncoding(" ;:=,.-+@()/\\\"")),
                     QString::fromLatin1(y.toPercentEncoding(" ;:=,.-+@()/\\\"")));
    }
    return QStringLiteral("no difference");
}

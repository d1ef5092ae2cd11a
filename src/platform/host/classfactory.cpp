// SPDX-License-Identifier: MIT
#include "comobject.h"

#include <QHash>

namespace {
QHash<QString, ClassFactory::Creator> &registry()
{
    static QHash<QString, ClassFactory::Creator> classes;
    return classes;
}
} // namespace

void ClassFactory::registerClass(const QString &progId, Creator creator)
{
    if (creator)
        registry().insert(progId, std::move(creator));
    else
        registry().remove(progId);
}

std::unique_ptr<ComObject> ClassFactory::createObject(const QString &progId)
{
    const auto it = registry().constFind(progId);
    if (it == registry().constEnd())
        throw QuenlockError(QStringLiteral("ActiveX component can't create object"));
    std::unique_ptr<ComObject> object = (*it)();
    if (!object)
        throw QuenlockError(QStringLiteral("ActiveX component can't create object"));
    return object;
}

// SPDX-License-Identifier: MIT
#include "moduleloader.h"

#include "module/quenlockerror.h"

#include <QCoreApplication>
#include <QLibrary>

namespace {
QFunctionPointer resolve(const QString &library, const char *symbol)
{
    // Kept loaded for the life of the process, as a component server is.
    static QHash<QString, QLibrary *> loaded;
    QLibrary *lib = loaded.value(library);
    if (!lib) {
        lib = new QLibrary(ModuleLoader::libraryDir() + QLatin1Char('/') + library);
        if (!lib->load()) {
            const QString reason = lib->errorString();
            delete lib;
            throw QuenlockError(QStringLiteral("Cannot load %1: %2").arg(library, reason));
        }
        loaded.insert(library, lib);
    }
    QFunctionPointer function = lib->resolve(symbol);
    if (!function)
        throw QuenlockError(QStringLiteral("%1 does not export %2").arg(library, QLatin1String(symbol)));
    return function;
}
} // namespace

QString ModuleLoader::libraryDir() { return QCoreApplication::applicationDirPath(); }

std::unique_ptr<IModuleAPI> ModuleLoader::createModule()
{
    auto create = reinterpret_cast<CreateModuleFn>(resolve(QStringLiteral("libmorvane.so"),
                                                           QUENLOCK_MODULE_FACTORY));
    return std::unique_ptr<IModuleAPI>(create());
}

IPropertyPage *ModuleLoader::createPage(QWidget *parent)
{
    auto create = reinterpret_cast<CreatePageFn>(resolve(QStringLiteral("libpellowan.so"),
                                                         QUENLOCK_PAGE_FACTORY));
    return create(parent);
}

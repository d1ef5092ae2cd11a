// SPDX-License-Identifier: MIT
#include "moduleloader.h"

#include "quenlockerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <map>

namespace {
QFunctionPointer resolve(const QString &library, const char *symbol)
{
    // Kept loaded for the life of the process, as a component server is.
    // (A QLibrary going away does not unload its library.)
    static std::map<QString, std::unique_ptr<QLibrary>> loaded;
    std::unique_ptr<QLibrary> &lib = loaded[library];
    if (!lib) {
        auto candidate = std::make_unique<QLibrary>(ModuleLoader::libraryDir() + QLatin1Char('/') + library);
        if (!candidate->load())
            throw QuenlockError(QStringLiteral("Cannot load %1: %2").arg(library, candidate->errorString()));
        lib = std::move(candidate);
    }
    QFunctionPointer function = lib->resolve(symbol);
    if (!function)
        throw QuenlockError(QStringLiteral("%1 does not export %2").arg(library, QLatin1String(symbol)));
    return function;
}
} // namespace

// Beside the host in a build folder; installed, in the package's own
// library folder, which the build names relative to the host's folder.
QString ModuleLoader::libraryDir()
{
    const QString beside = QCoreApplication::applicationDirPath();
#ifdef QUENLOCK_PRIVATE_LIBDIR
    if (!QFileInfo::exists(beside + QStringLiteral("/libpellowan.so")))
        return QDir::cleanPath(beside + QStringLiteral("/" QUENLOCK_PRIVATE_LIBDIR));
#endif
    return beside;
}

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

std::unique_ptr<IReplaceRun> ModuleLoader::createRun()
{
    auto create = reinterpret_cast<CreateRunFn>(resolve(QStringLiteral("libpellowan.so"),
                                                        QUENLOCK_RUN_FACTORY));
    return std::unique_ptr<IReplaceRun>(create());
}

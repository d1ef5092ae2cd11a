// SPDX-License-Identifier: MIT
// The module interface the host engine drives.
#pragma once

#include <QString>
#include <QVariant>
#include <memory>

class IEngineAPI;

// Hook arguments the module ignores are passed as QVariant.
class IModuleAPI
{
public:
    virtual ~IModuleAPI() = default;
    virtual QString RegistryName() const = 0;
    virtual QString FriendlyName() const = 0;
    virtual QString Version() const = 0;
    virtual int KTStartup(std::shared_ptr<IEngineAPI> engine) = 0;
    virtual int KTShutdown() = 0;
    virtual QString KTSendMessage(const QString &theMessage) = 0;
    virtual int KTExplorerOpen(const QVariant &explorer) = 0;
    virtual int KTExplorerClose(const QVariant &explorer) = 0;
    virtual int KTExplorerActivate(const QVariant &explorer) = 0;
    virtual int KTExplorerDeactivate(const QVariant &explorer) = 0;
    virtual int KTInspectorOpen(const QVariant &inspector) = 0;
    virtual int KTInspectorClose(const QVariant &inspector) = 0;
    virtual int KTInspectorActivate(const QVariant &inspector) = 0;
    virtual int KTInspectorDeactivate(const QVariant &inspector) = 0;
    virtual int KTButtonAction(int buttonId, bool &cancelDefault) = 0;
    virtual int KTMenuAction(int menuId, bool &cancelDefault) = 0;
    virtual int KTHotkeyAction(qint64 lp) = 0;
    virtual int KTItemEvent(int eventSelector, const QVariant &item, bool &cancel,
                            const QString &folderEntryId, const QString &folderStoreId) = 0;
};

// Exported entry points of the two system libraries, resolved by the host at run time.
#define QUENLOCK_MODULE_FACTORY "quenlock_create_module"
#define QUENLOCK_PAGE_FACTORY "quenlock_create_page"
using CreateModuleFn = IModuleAPI *(*)();

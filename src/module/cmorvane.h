// SPDX-License-Identifier: MIT
// The module class the host engine creates and drives.
#pragma once

#include "imoduleapi.h"

// Keeps the first engine it is started with until shut-down, and lays down
// the default contacts folder as the one configured folder whenever an
// explorer opens on a store that never held a folder list. Never touches the
// settings page. Every operation traps its own errors into one host log line.
class CMorvane final : public IModuleAPI
{
public:
    QString RegistryName() const override;
    QString FriendlyName() const override;
    QString Version() const override;
    int KTStartup(std::shared_ptr<IEngineAPI> engine) override;
    int KTShutdown() override;
    QString KTSendMessage(const QString &theMessage) override;
    int KTExplorerOpen(const QVariant &explorer) override;
    int KTExplorerClose(const QVariant &) override { return 0; }
    int KTExplorerActivate(const QVariant &) override { return 0; }
    int KTExplorerDeactivate(const QVariant &) override { return 0; }
    int KTInspectorOpen(const QVariant &) override { return 0; }
    int KTInspectorClose(const QVariant &) override { return 0; }
    int KTInspectorActivate(const QVariant &) override { return 0; }
    int KTInspectorDeactivate(const QVariant &) override { return 0; }
    int KTButtonAction(int, bool &) override { return 0; }
    int KTMenuAction(int, bool &) override { return 0; }
    int KTHotkeyAction(qint64) override { return 0; }
    int KTItemEvent(int, const QVariant &, bool &, const QString &, const QString &) override
    {
        return 0;
    }

    // Whether an engine is held (for the host's and the tests' eyes).
    bool hasEngine() const { return m_engine != nullptr; }

private:
    void EnsureDefaultSettings();

    std::shared_ptr<IEngineAPI> m_engine;
};

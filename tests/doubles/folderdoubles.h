// SPDX-License-Identifier: MIT
// Folder records, folders and a multi-folder picker for the page's folder buttons.
#pragma once

#include "folderobject.h"
#include "multifolderpicker.h"
#include "olapplication.h"
#include "quenlockerror.h"

#include <QStringList>
#include <functional>
#include <memory>

// A folder record that notes which of its properties were ever assigned.
struct TracingFolderRef final : FolderRef
{
    QString name, entryId, storeId;
    QStringList assigned;
    QString Name() const override { return name; }
    QString EntryID() const override { return entryId; }
    QString StoreID() const override { return storeId; }
    void setName(const QString &v) override { name = v, assigned << "Name"; }
    void setEntryID(const QString &v) override { entryId = v, assigned << "EntryID"; }
    void setStoreID(const QString &v) override { storeId = v, assigned << "StoreID"; }
};

// A folder or record one of whose members raises an error when read.
struct FailingFolder final : OlFolder
{
    QString failing;
    QString get(const char *member, const QString &value) const
    {
        if (failing == QLatin1String(member))
            throw QuenlockError(QStringLiteral("The folder is gone"));
        return value;
    }
    QString Name() const override { return get("Name", "Broken"); }
    QString EntryID() const override { return get("EntryID", "b1"); }
    QString StoreID() const override { return get("StoreID", "s1"); }
    std::shared_ptr<OlItems> Items() override { return nullptr; }
    QList<std::shared_ptr<OlFolder>> Folders() override { return {}; }
};

// What the scripted multi-folder picker saw and is to do.
struct PickerScript
{
    std::function<bool(std::shared_ptr<FolderCollection> &)> answer;
    std::function<void()> fail; // throws inside PickFolders when set
    OlApplication *application = nullptr;
    int flag = 0;
    FolderCollection *collection = nullptr;
    QString text;
    int calls = 0;
};

struct ScriptedPicker final : MultiFolderPicker
{
    explicit ScriptedPicker(PickerScript *script) : m_script(script) {}
    bool PickFolders(OlApplication *app, int flag, std::shared_ptr<FolderCollection> &folders,
                     const QString &text) override
    {
        ++m_script->calls;
        m_script->application = app;
        m_script->flag = flag;
        m_script->collection = folders.get();
        m_script->text = text;
        if (m_script->fail)
            m_script->fail();
        return m_script->answer(folders);
    }
    PickerScript *m_script;
};

// SPDX-License-Identifier: MIT
// What the page's folder collection holds: anything answering Name, EntryID, StoreID.
#pragma once

#include "comobject.h"

#include <QList>
#include <QString>
#include <memory>

// Outlook folders and FolderRef records both answer these three by name.
class FolderObject : public ComObject
{
public:
    virtual QString Name() const = 0;
    virtual QString EntryID() const = 0;
    virtual QString StoreID() const = 0;
};

// The folder record the page creates per stored folder. A StoreID never
// assigned reads as empty.
class FolderRef : public FolderObject
{
public:
    virtual void setName(const QString &name) = 0;
    virtual void setEntryID(const QString &entryId) = 0;
    virtual void setStoreID(const QString &storeId) = 0;
};

// Ordered, 1-based in the page's terms; element k is at index k - 1 here.
using FolderCollection = QList<std::shared_ptr<FolderObject>>;

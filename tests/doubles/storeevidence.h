// SPDX-License-Identifier: MIT
// What a run left behind: the files of a store, and its undo records.
#pragma once

#include "logdatabase.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QStringList>

// Every file under root, hidden ones (temporary files) included, by relative path.
inline QMap<QString, QByteArray> readTree(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(root).relativeFilePath(file.fileName()), file.readAll());
    }
    return files;
}

// The tree with the lines every save stamps afresh taken out.
inline QMap<QString, QByteArray> withoutStamps(QMap<QString, QByteArray> files)
{
    for (QByteArray &data : files) {
        QList<QByteArray> kept;
        for (const QByteArray &line : data.split('\n'))
            if (!line.startsWith("REV:") && !line.startsWith("LAST-MODIFIED:") && !line.startsWith("DTSTAMP:"))
                kept << line;
        data = kept.join('\n');
    }
    return files;
}

// Complete undo records of an area-code change from "(503)" on disk, per
// item file; a torn record (rows not a multiple of five) answers "torn".
inline QMap<QString, int> undoRecordsPerItem()
{
    QStringList undo;
    for (const auto &row : LogDatabase::instance().activityLog())
        if (row.kind == -1)
            undo << row.text;
    if (undo.size() % 5 != 0)
        return {{QStringLiteral("torn"), int(undo.size())}};
    QMap<QString, int> recorded;
    for (qsizetype i = 0; i < undo.size(); i += 5)
        if (undo[i].startsWith(u"FolderStoreId: ") && undo[i + 4].startsWith(u"FieldValue: (503)"))
            ++recorded[undo[i + 2].mid(QStringLiteral("ItemEntryId: ").size())];
    return recorded;
}

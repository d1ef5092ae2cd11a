// SPDX-License-Identifier: MIT
// A scratch store for the pim tests: one collection holding copies of data files.
#pragma once

#include "olapplication.h"
#include "safeitem.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// A test of dates and times: the expected local times are those of Central
// European time, and every test function gets a fresh environment.
class CentralEuropeanTest : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<TestEnvironment> env;

private slots:
    void initTestCase()
    {
        if (QDateTime(QDate(2025, 1, 2), QTime(12, 0)).offsetFromUtc() != 3600)
            QSKIP("needs TZ=Europe/Berlin (ctest sets it)");
    }
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }
};

// store/<collection>/<files>; the application is the real one over store/.
class Scratch
{
public:
    explicit Scratch(const QStringList &dataFiles = {}, const QString &collection = QStringLiteral("c"));
    QString storePath() const { return m_dir.path() + QStringLiteral("/store"); }
    QString collectionPath() const { return storePath() + u'/' + m_collection; }
    QString filePath(const QString &name) const { return collectionPath() + u'/' + name; }
    // Copies a file of tests/platform/pim/data into the collection.
    void add(const QString &dataFile, const QString &as = {});
    void write(const QString &name, const QByteArray &bytes);

    std::shared_ptr<OlApplication> application;
    std::shared_ptr<OlNamespace> nameSpace;
    std::shared_ptr<OlFolder> collection();
    // The item with this file name, freshly read.
    std::shared_ptr<OlItem> item(const QString &name);
    // A wrapper of the item's kind with the item set.
    std::unique_ptr<SafeItem> wrap(const QString &name);

private:
    QTemporaryDir m_dir;
    QString m_collection;
};

QByteArray readFile(const QString &path);
QString dataPath(const QString &relative);
// The first line where two texts differ, for failure messages.
QString firstDifference(const QByteArray &actual, const QByteArray &expected);

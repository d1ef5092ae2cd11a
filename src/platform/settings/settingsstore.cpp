// SPDX-License-Identifier: MIT
// The settings store as INI files: $XDG_CONFIG_HOME/quenlock/<application>.ini,
// one [section] per section. QSettings writes them, quoting and escaping every
// value, and saves through a temporary file and a rename. Reading goes to the
// lines themselves: QSettings would read a hand-edited value by its list rules
// (unquoted commas split it, ';' cuts it, blanks at its ends go), and the store
// promises the text as typed.
#include "settingsstore.h"

#include "quenlockerror.h"
#include "enginepaths.h"
#include "textnumber.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSettings>

namespace {
QString fileFor(const QString &application)
{
    if (application.isEmpty() || application.contains(QLatin1Char('/'))
        || application.startsWith(QLatin1Char('.')))
        throw QuenlockError(QStringLiteral("Invalid settings application name '%1'").arg(application));
    return EnginePaths::configDir() + QLatin1Char('/') + application + QStringLiteral(".ini");
}

QString statusText(QSettings::Status status)
{
    return status == QSettings::FormatError ? QStringLiteral("the file is not a valid settings file")
                                            : QStringLiteral("the file cannot be written");
}

bool isHexDigit(QChar c) { return hexDigitValue(c.unicode()) >= 0; }

// Decodes the escapes QSettings writes (\\ \" \a \b \f \n \r \t \v \0 \xHH);
// any other backslash is the user's own and stays, so a typed path keeps its "\".
QString unescaped(QStringView text)
{
    static const QHash<QChar, QChar> simple = {
        {u'\\', u'\\'}, {u'"', u'"'}, {u'a', u'\a'}, {u'b', u'\b'}, {u'f', u'\f'},
        {u'n', u'\n'}, {u'r', u'\r'}, {u't', u'\t'}, {u'v', u'\v'}, {u'0', QChar(0)}};
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] != u'\\' || next.isNull()) {
            result += text[i];
        } else if (simple.contains(next)) {
            result += simple.value(next);
            ++i;
        } else if (next == u'x' && i + 2 < text.size() && isHexDigit(text[i + 2])) {
            qsizetype end = i + 2;
            while (end < text.size() && isHexDigit(text[end]))
                ++end;
            result += QChar(char16_t(text.sliced(i + 2, end - i - 2).toUInt(nullptr, 16)));
            i = end - 1;
        } else {
            result += text[i];
        }
    }
    return result;
}

// Quotes around the whole value, none unescaped inside: the form QSettings
// gives a value with commas, semicolons or blanks at its ends.
bool isQuoted(QStringView text)
{
    if (text.size() < 2 || !text.startsWith(u'"') || !text.endsWith(u'"'))
        return false;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        if (text[i] == u'"')
            return false;
        if (text[i] == u'\\' && ++i == text.size() - 1)
            return false; // the closing quote is an escaped one
    }
    return true;
}

// The text of a value as it stands after "=": literal but for the escapes
// QSettings writes, inside the quotes it adds when a value needs them.
QString valueText(const QString &raw)
{
    const QString trimmed = raw.trimmed();
    QString text = isQuoted(trimmed) ? unescaped(QStringView(trimmed).sliced(1, trimmed.size() - 2))
                                     : unescaped(raw);
    // QSettings marks its own types with "@" and doubles the "@" of a text.
    if (text.startsWith(QLatin1String("@@")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("@String(")) && text.endsWith(QLatin1Char(')')))
        text = text.mid(8, text.size() - 9);
    return text;
}

// Keys and sections QSettings stores under their own name: no %-escapes, no "\" for "/".
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('%')) && !name.contains(QLatin1Char('\\'));
}

// The text of every "section/key" line of the file; a key given twice keeps
// its last line, as QSettings does.
QHash<QString, QString> lineTexts(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QString content = QString::fromUtf8(in.readAll());
    if (content.startsWith(QChar(0xFEFF)))
        content.remove(0, 1);
    content.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QHash<QString, QString> texts;
    QString section;
    for (const QString &line : content.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            section = trimmed.mid(1, trimmed.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed();
        if (equals < 0 || trimmed.startsWith(QLatin1Char(';')) || !isPlainName(section) || !isPlainName(key))
            continue;
        texts.insert(section + QLatin1Char('/') + key, valueText(line.mid(equals + 1)));
    }
    return texts;
}

// The one-off values by "application/section", then key.
QHash<QString, QHash<QString, QString>> &overlays()
{
    static QHash<QString, QHash<QString, QString>> values;
    return values;
}
} // namespace

QString SettingsStore::read(const QString &application, const QString &section, const QString &key,
                            const QString &defaultValue)
{
    const QString file = fileFor(application);
    // A read looks and adds nothing: only overlay() makes a section's entry.
    const auto over = overlays().constFind(application + u'/' + section);
    if (over != overlays().cend())
        if (const auto value = over->constFind(key); value != over->cend())
            return *value;
    QSettings settings(file, QSettings::IniFormat);
    const QString path = section + QLatin1Char('/') + key;
    // QSettings decides which keys exist, so reads agree with keys().
    if (!settings.contains(path))
        return defaultValue;
    const QHash<QString, QString> texts = lineTexts(file);
    const auto line = texts.constFind(path);
    return line != texts.cend() ? *line : settings.value(path).toString();
}

void SettingsStore::write(const QString &application, const QString &section, const QString &key,
                          const QString &value)
{
    const QString file = fileFor(application);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        throw QuenlockError(QStringLiteral("Cannot create the settings folder of %1").arg(file));
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        throw QuenlockError(QStringLiteral("Cannot write setting %1 to %2: %3")
                                .arg(key, file, statusText(settings.status())));
    // QSettings rewrites the whole file from its own reading of it; hand it
    // the text of hand-edited values first, or saving one key would cut others.
    const QHash<QString, QString> texts = lineTexts(file);
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        if (settings.contains(it.key()) && settings.value(it.key()) != QVariant(it.value()))
            settings.setValue(it.key(), it.value());
    }
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw QuenlockError(QStringLiteral("Cannot write setting %1 to %2: %3")
                                .arg(key, file, statusText(settings.status())));
}

QStringList SettingsStore::keys(const QString &application, const QString &section)
{
    QSettings settings(fileFor(application), QSettings::IniFormat);
    settings.beginGroup(section);
    QStringList keys = settings.childKeys();
    for (const QString &key : overlays().value(application + u'/' + section).keys())
        if (!keys.contains(key))
            keys << key;
    return keys;
}

void SettingsStore::overlay(const QString &application, const QString &section, const QHash<QString, QString> &values)
{
    overlays()[application + u'/' + section] = values;
}

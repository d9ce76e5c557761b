#include "editor/AppSettings.h"

#include <QFileInfo>

namespace
{
const char kRecentFileArray[] = "RecentFileList";
const char kRecentFileKey[] = "File";
} // namespace

AppSettings::AppSettings() : QSettings(OrganizationName(), ApplicationName()) {}

AppSettings::~AppSettings() = default;

QString AppSettings::OrganizationName()
{
    return QStringLiteral("应用程序向导生成的本地应用程序");
}

QString AppSettings::ApplicationName()
{
    return QStringLiteral("Tessel");
}

QStringList RecentFileList::Entries()
{
    AppSettings settings;
    QStringList entries;
    const int count = settings.beginReadArray(kRecentFileArray);
    for (int i = 0; i < count && entries.size() < kMaxEntries; ++i)
    {
        settings.setArrayIndex(i);
        const QString path = settings.value(kRecentFileKey).toString();
        if (!path.isEmpty())
            entries.append(path);
    }
    settings.endArray();
    return entries;
}

void RecentFileList::Add(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList entries = Entries();
    entries.removeAll(absolute);
    entries.prepend(absolute);
    while (entries.size() > kMaxEntries)
        entries.removeLast();

    AppSettings settings;
    settings.remove(kRecentFileArray);
    settings.beginWriteArray(kRecentFileArray, static_cast<int>(entries.size()));
    for (int i = 0; i < entries.size(); ++i)
    {
        settings.setArrayIndex(i);
        settings.setValue(kRecentFileKey, entries[i]);
    }
    settings.endArray();
}

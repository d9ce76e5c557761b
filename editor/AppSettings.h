// The editor's per-user settings: QSettings under the organisation
// "应用程序向导生成的本地应用程序" and the application "Tessel".
//
// Entries: "ApplicationLook" (look command id, 210 to 218), "RecentFileList" (array of up to
// 10 paths, newest first), "MainFrame/Geometry" and "MainFrame/State" (window and bar layout),
// "MainFrame/HiddenToolbarButtons" (command ids of hidden standard toolbar buttons).
#pragma once

#include <QSettings>
#include <QStringList>

class AppSettings : public QSettings
{
public:
    AppSettings();
    ~AppSettings() override;

    static QString OrganizationName();
    static QString ApplicationName();
};

// The recent-file list kept in the settings, newest first, at most kMaxEntries paths.
class RecentFileList
{
public:
    static constexpr int kMaxEntries = 10;

    static QStringList Entries();
    // Puts `path` first (as an absolute path), removing an earlier entry for it and the entries
    // beyond kMaxEntries.
    static void Add(const QString& path);
};

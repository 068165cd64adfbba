#pragma once
// The worlds most recently opened or saved, newest first, as File lists
// them below Save As. Kept in the settings file beside the window layout,
// through the same store: key "RecentFiles", values "file1" to "file4"
// holding each path's bytes as the system names the file.

#include "app/sstate/storage.h"

#include <QtCore/QString>

#include <string>
#include <vector>

class CRecentFiles {
public:
    static constexpr int kMaxCount = 4;

    // The path goes first; a path already listed moves up, and the oldest
    // falls off beyond kMaxCount. An empty path is ignored.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Paths() const { return m_paths; }

    void Store(sstate::IStorge& root) const;
    // Empty, unreadable or repeated values are skipped.
    static CRecentFiles Restore(sstate::IStorge& root);

    // Through the user's settings file; false when it could not be written.
    bool Save() const;
    static CRecentFiles Load();

private:
    std::vector<std::string> m_paths;
};

// "&1 slope.bullet": the menu text of the entry at index (from 0).
QString RecentMenuText(int index, const std::string& path);

#pragma once
// The per-user layout store: the settings file
// $XDG_CONFIG_HOME/Kinetta/Kinetta.conf (~/.config when unset), read whole
// into memory, its groups standing for keys. The text is read and written by
// the program's own code (settings_text.h): no value in the file is ever
// decoded as a Qt type.

#include "app/sstate/settings_tree.h"

#include <QtCore/QString>

#include <memory>

namespace sstate {

class CStgRegistry final : public IStorge {
public:
    // The store's root for reading; null when there is no store or it cannot
    // be read.
    static std::unique_ptr<CStgRegistry> OpenRoot();
    // The store's root for reading and writing, holding what the file holds
    // (nothing when it is missing or damaged); null when there is nowhere to
    // put the file.
    static std::unique_ptr<CStgRegistry> CreateRoot();
    // Empty when no folder for settings is known.
    static QString FilePath();

    std::unique_ptr<IStorge> Create(std::string_view name) override;
    std::unique_ptr<IStorge> Open(std::string_view name) override;
    bool SetBinaryValue(std::string_view name, std::span<const std::uint8_t> data) override;
    std::optional<std::vector<std::uint8_t>> QueryBinaryValue(std::string_view name) override;
    bool SetStringValue(std::string_view name, std::string_view value) override;

    // Replaces the file with what the tree holds, in one step: a reader sees
    // the old file or the new one, never a part. Temporary files that an
    // interrupted save left beside it are removed first. False when the file
    // could not be written.
    bool Flush();

private:
    CStgRegistry(QString file, std::shared_ptr<SettingsKey> tree, bool writable);

    QString m_file;
    std::shared_ptr<SettingsKey> m_tree;
    CMemoryStorage m_root;
    bool m_writable;
};

}  // namespace sstate

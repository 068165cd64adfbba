#pragma once
// The per-user layout store: the QSettings file of organisation and
// application "Kinetta" ($XDG_CONFIG_HOME/Kinetta/Kinetta.conf), its groups
// standing for keys. Four-byte values are written as integers, other values
// as byte arrays.

#include "app/sstate/storage.h"

#include <QtCore/QString>

#include <memory>

class QSettings;

namespace sstate {

class CStgRegistry final : public IStorge {
public:
    // The store's root for reading; null when there is no store or it cannot
    // be read.
    static std::unique_ptr<CStgRegistry> OpenRoot();
    // The store's root for reading and writing; null when it cannot be written.
    static std::unique_ptr<CStgRegistry> CreateRoot();

    ~CStgRegistry() override;

    std::unique_ptr<IStorge> Create(std::string_view name) override;
    std::unique_ptr<IStorge> Open(std::string_view name) override;
    bool SetBinaryValue(std::string_view name, std::span<const std::uint8_t> data) override;
    std::optional<std::vector<std::uint8_t>> QueryBinaryValue(std::string_view name) override;
    bool SetStringValue(std::string_view name, std::string_view value) override;

    // Writes out what has been set; false when that failed.
    bool Flush();

private:
    CStgRegistry(std::shared_ptr<QSettings> settings, QString group, bool writable);
    QString PathOf(std::string_view name) const;

    std::shared_ptr<QSettings> m_settings;
    QString m_group;
    bool m_writable;
};

}  // namespace sstate

#pragma once
// The layout store held in memory: a tree of keys with named values, as the
// settings file holds it once read. The file's reader and writer, the tests
// and the fuzzer all work on this one tree.

#include "app/sstate/storage.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sstate {

struct SettingsValue {
    enum class Kind {
        Binary,    // bytes
        Dword,     // a 32-bit integer, its four little-endian bytes
        String,    // text set by the program
        Verbatim,  // a value of a form this program does not write: kept as read, never used
    };
    Kind kind = Kind::Binary;
    std::vector<std::uint8_t> bytes;  // Binary and Dword
    std::string text;                 // String and Verbatim

    // Four bytes make a Dword, any other number Binary.
    static SettingsValue FromBytes(std::span<const std::uint8_t> data);
    // The bytes of a Binary or Dword value; empty for the others.
    std::optional<std::vector<std::uint8_t>> Bytes() const;

    bool operator==(const SettingsValue&) const = default;
};

struct SettingsKey {
    std::map<std::string, SettingsValue> values;
    std::map<std::string, std::shared_ptr<SettingsKey>> keys;

    // Creates the sub-key when it does not exist.
    SettingsKey& Child(const std::string& name);
    const std::shared_ptr<SettingsKey>& ChildPointer(const std::string& name);
    // A key without values or sub-keys (at any depth) cannot be kept in the
    // file; it counts as absent there.
    bool HoldsValues() const;
    // Same values and sub-keys, compared by content.
    bool operator==(const SettingsKey& other) const;
};

// One open key of a tree. Keys opened from it share the tree.
class CMemoryStorage final : public IStorge {
public:
    CMemoryStorage(std::shared_ptr<SettingsKey> key, bool writable);

    std::unique_ptr<IStorge> Create(std::string_view name) override;
    std::unique_ptr<IStorge> Open(std::string_view name) override;
    bool SetBinaryValue(std::string_view name, std::span<const std::uint8_t> data) override;
    std::optional<std::vector<std::uint8_t>> QueryBinaryValue(std::string_view name) override;
    bool SetStringValue(std::string_view name, std::string_view value) override;

private:
    std::shared_ptr<SettingsKey> m_key;
    bool m_writable;
};

}  // namespace sstate

#include "app/sstate/settings_tree.h"

#include <algorithm>

namespace sstate {

SettingsValue SettingsValue::FromBytes(std::span<const std::uint8_t> data)
{
    SettingsValue value;
    value.kind = data.size() == 4 ? Kind::Dword : Kind::Binary;
    value.bytes.assign(data.begin(), data.end());
    return value;
}

std::optional<std::vector<std::uint8_t>> SettingsValue::Bytes() const
{
    if (kind == Kind::Binary || kind == Kind::Dword)
        return bytes;
    return std::nullopt;
}

SettingsKey& SettingsKey::Child(const std::string& name)
{
    return *ChildPointer(name);
}

const std::shared_ptr<SettingsKey>& SettingsKey::ChildPointer(const std::string& name)
{
    std::shared_ptr<SettingsKey>& key = keys[name];
    if (!key)
        key = std::make_shared<SettingsKey>();
    return key;
}

bool SettingsKey::HoldsValues() const
{
    return !values.empty() || std::any_of(keys.begin(), keys.end(), [](const auto& entry) {
               return entry.second && entry.second->HoldsValues();
           });
}

bool SettingsKey::operator==(const SettingsKey& other) const
{
    if (values != other.values || keys.size() != other.keys.size())
        return false;
    return std::equal(keys.begin(), keys.end(), other.keys.begin(), [](auto& a, auto& b) {
        return a.first == b.first && (a.second && b.second ? *a.second == *b.second
                                                           : a.second == b.second);
    });
}

CMemoryStorage::CMemoryStorage(std::shared_ptr<SettingsKey> key, bool writable)
    : m_key(std::move(key)), m_writable(writable)
{
}

std::unique_ptr<IStorge> CMemoryStorage::Create(std::string_view name)
{
    if (!m_writable || name.empty())
        return nullptr;
    return std::make_unique<CMemoryStorage>(m_key->ChildPointer(std::string(name)), true);
}

std::unique_ptr<IStorge> CMemoryStorage::Open(std::string_view name)
{
    const auto it = m_key->keys.find(std::string(name));
    if (it == m_key->keys.end() || !it->second)
        return nullptr;
    return std::make_unique<CMemoryStorage>(it->second, m_writable);
}

bool CMemoryStorage::SetBinaryValue(std::string_view name, std::span<const std::uint8_t> data)
{
    if (!m_writable || name.empty())
        return false;
    m_key->values[std::string(name)] = SettingsValue::FromBytes(data);
    return true;
}

std::optional<std::vector<std::uint8_t>> CMemoryStorage::QueryBinaryValue(std::string_view name)
{
    const auto it = m_key->values.find(std::string(name));
    return it == m_key->values.end() ? std::nullopt : it->second.Bytes();
}

bool CMemoryStorage::SetStringValue(std::string_view name, std::string_view value)
{
    if (!m_writable || name.empty())
        return false;
    SettingsValue& stored = m_key->values[std::string(name)];
    stored = {};
    stored.kind = SettingsValue::Kind::String;
    stored.text = value;
    return true;
}

}  // namespace sstate

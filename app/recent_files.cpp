#include "app/recent_files.h"

#include "app/sstate/stg_registry.h"

#include <QtCore/QFile>

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace {

constexpr std::string_view kRecentKey = "RecentFiles";

std::string ValueName(int index)
{
    return "file" + std::to_string(index + 1);
}

}  // namespace

void CRecentFiles::Add(const std::string& path)
{
    if (path.empty())
        return;
    Remove(path);
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > static_cast<std::size_t>(kMaxCount))
        m_paths.resize(kMaxCount);
}

void CRecentFiles::Remove(const std::string& path)
{
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
}

void CRecentFiles::Store(sstate::IStorge& root) const
{
    const std::unique_ptr<sstate::IStorge> key = root.Create(kRecentKey);
    if (!key)
        return;
    // The store cannot delete a value: slots no longer used are emptied.
    for (int i = 0; i < kMaxCount; ++i) {
        const std::string path = i < static_cast<int>(m_paths.size()) ? m_paths[i] : std::string();
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(path.data());
        key->SetBinaryValue(ValueName(i), {bytes, path.size()});
    }
}

CRecentFiles CRecentFiles::Restore(sstate::IStorge& root)
{
    CRecentFiles recent;
    const std::unique_ptr<sstate::IStorge> key = root.Open(kRecentKey);
    if (!key)
        return recent;
    for (int i = 0; i < kMaxCount; ++i) {
        const std::optional<std::vector<std::uint8_t>> value = key->QueryBinaryValue(ValueName(i));
        if (!value || value->empty())
            continue;
        std::string path(value->begin(), value->end());
        // A name with a NUL in it cannot name a file: a damaged entry.
        if (path.find('\0') != std::string::npos)
            continue;
        if (std::find(recent.m_paths.begin(), recent.m_paths.end(), path) == recent.m_paths.end())
            recent.m_paths.push_back(std::move(path));
    }
    return recent;
}

bool CRecentFiles::Save() const
{
    const std::unique_ptr<sstate::CStgRegistry> root = sstate::CStgRegistry::CreateRoot();
    if (!root)
        return false;
    Store(*root);
    return root->Flush();
}

CRecentFiles CRecentFiles::Load()
{
    const std::unique_ptr<sstate::CStgRegistry> root = sstate::CStgRegistry::OpenRoot();
    return root ? Restore(*root) : CRecentFiles();
}

QString RecentMenuText(int index, const std::string& path)
{
    QString name = QFile::decodeName(
        QByteArray::fromStdString(std::filesystem::path(path).filename().string()));
    // A name's own '&' is not a mnemonic.
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

#include "app/sstate/stg_registry.h"

#include "app/layout_blobs.h"

#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QVariant>

#include <limits>

namespace sstate {

namespace {

std::shared_ptr<QSettings> UserSettings()
{
    auto settings =
        std::make_shared<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("Kinetta"), QStringLiteral("Kinetta"));
    // Only the program's own file: no organisation-wide or system-wide values.
    settings->setFallbacksEnabled(false);
    return settings;
}

// A 32-bit integer as its four little-endian bytes; empty when out of range.
std::optional<std::vector<std::uint8_t>> DwordBytes(qlonglong value)
{
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    const auto bytes = EncodeDword(static_cast<std::uint32_t>(value));
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

std::unique_ptr<CStgRegistry> CStgRegistry::OpenRoot()
{
    auto settings = UserSettings();
    if (!QFileInfo(settings->fileName()).isFile())
        return nullptr;
    // Reading the groups loads the file and tells whether that worked.
    settings->childGroups();
    if (settings->status() != QSettings::NoError)
        return nullptr;
    return std::unique_ptr<CStgRegistry>(new CStgRegistry(std::move(settings), {}, false));
}

std::unique_ptr<CStgRegistry> CStgRegistry::CreateRoot()
{
    auto settings = UserSettings();
    if (!settings->isWritable())
        return nullptr;
    return std::unique_ptr<CStgRegistry>(new CStgRegistry(std::move(settings), {}, true));
}

CStgRegistry::CStgRegistry(std::shared_ptr<QSettings> settings, QString group, bool writable)
    : m_settings(std::move(settings)), m_group(std::move(group)), m_writable(writable)
{
}

CStgRegistry::~CStgRegistry() = default;

QString CStgRegistry::PathOf(std::string_view name) const
{
    const QString leaf = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return m_group.isEmpty() ? leaf : m_group + QLatin1Char('/') + leaf;
}

std::unique_ptr<IStorge> CStgRegistry::Create(std::string_view name)
{
    // Groups come into being with their first value.
    if (!m_writable || name.empty())
        return nullptr;
    return std::unique_ptr<IStorge>(new CStgRegistry(m_settings, PathOf(name), true));
}

std::unique_ptr<IStorge> CStgRegistry::Open(std::string_view name)
{
    if (name.empty())
        return nullptr;
    if (!m_group.isEmpty())
        m_settings->beginGroup(m_group);
    const QStringList groups = m_settings->childGroups();
    if (!m_group.isEmpty())
        m_settings->endGroup();
    const QString leaf = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (!groups.contains(leaf))
        return nullptr;
    return std::unique_ptr<IStorge>(new CStgRegistry(m_settings, PathOf(name), m_writable));
}

bool CStgRegistry::SetBinaryValue(std::string_view name, std::span<const std::uint8_t> data)
{
    if (!m_writable)
        return false;
    if (const auto dword = DecodeDword(data))
        m_settings->setValue(PathOf(name), static_cast<quint32>(*dword));
    else
        m_settings->setValue(PathOf(name), QByteArray(reinterpret_cast<const char*>(data.data()),
                                                      static_cast<qsizetype>(data.size())));
    return true;
}

std::optional<std::vector<std::uint8_t>> CStgRegistry::QueryBinaryValue(std::string_view name)
{
    const QVariant value = m_settings->value(PathOf(name));
    bool ok = false;
    switch (value.typeId()) {
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
        }
        case QMetaType::QString: {
            // Integers read back from the file arrive as text.
            const qlonglong number = value.toString().trimmed().toLongLong(&ok, 10);
            return ok ? DwordBytes(number) : std::nullopt;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: {
            const qlonglong number = value.toLongLong(&ok);
            return ok ? DwordBytes(number) : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

bool CStgRegistry::SetStringValue(std::string_view name, std::string_view value)
{
    if (!m_writable)
        return false;
    m_settings->setValue(PathOf(name),
                         QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    return true;
}

bool CStgRegistry::Flush()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

}  // namespace sstate

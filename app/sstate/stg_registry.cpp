#include "app/sstate/stg_registry.h"

#include "app/sstate/settings_text.h"

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QSaveFile>
#include <QtCore/QStandardPaths>

#include <unistd.h>

namespace sstate {

namespace {

// The file holds a few hundred bytes; anything this large is not ours.
constexpr qint64 kMaxFileSize = 1 << 20;
// No save takes this long: a temporary file older than this was left by a
// save that was killed before it could rename it.
constexpr qint64 kStaleTemporarySeconds = 60 * 60;

struct FileText {
    bool readable = false;
    // Empty when the file is too large to be ours.
    std::optional<std::string> text;
};

FileText ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return {};
    if (bytes.size() > kMaxFileSize)
        return {true, std::nullopt};
    return {true, bytes.toStdString()};
}

// Qt's atomic writes, where the file system cannot make an unnamed file,
// name their temporary file after the target with a dot and six random
// letters and digits. Only those are removed: regular files of this user that
// no save could still be writing, and whose suffix mixes cases as a random
// one almost always does; a suffix a person would choose ("backup", "Old123",
// "BACKUP") is left alone.
bool IsStaleTemporaryFile(const QFileInfo& candidate, const QString& targetName,
                          const QDateTime& staleBefore)
{
    static const QRegularExpression kRandomSuffix(QStringLiteral("^[A-Za-z0-9]{6}$"));
    static const QRegularExpression kWordLike(QStringLiteral("^([A-Z]?[a-z0-9]*|[A-Z0-9]*)$"));
    const QString name = candidate.fileName();
    if (!name.startsWith(targetName + QLatin1Char('.')))
        return false;
    const QString suffix = name.mid(targetName.size() + 1);
    return kRandomSuffix.match(suffix).hasMatch() && !kWordLike.match(suffix).hasMatch() &&
           !candidate.isSymLink() && candidate.isFile() && candidate.ownerId() == ::geteuid() &&
           candidate.lastModified().toUTC() < staleBefore;
}

void RemoveStaleTemporaryFiles(const QFileInfo& target)
{
    const QDateTime staleBefore =
        QDateTime::currentDateTimeUtc().addSecs(-kStaleTemporarySeconds);
    const QFileInfoList candidates = target.dir().entryInfoList(
        {target.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& candidate : candidates) {
        if (IsStaleTemporaryFile(candidate, target.fileName(), staleBefore))
            QFile::remove(candidate.filePath());
    }
}

}  // namespace

QString CStgRegistry::FilePath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return {};
    return config + QStringLiteral("/Kinetta/Kinetta.conf");
}

std::unique_ptr<CStgRegistry> CStgRegistry::OpenRoot()
{
    const QString path = FilePath();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    const FileText file = ReadFile(path);
    if (!file.text)
        return nullptr;
    return std::unique_ptr<CStgRegistry>(new CStgRegistry(
        path, std::make_shared<SettingsKey>(ParseSettingsText(*file.text)), false));
}

std::unique_ptr<CStgRegistry> CStgRegistry::CreateRoot()
{
    const QString path = FilePath();
    if (path.isEmpty())
        return nullptr;
    // Values this program does not know are carried over into the new file;
    // a file that exists but cannot be read is not replaced. One too large
    // to be ours is.
    const FileText file = ReadFile(path);
    if (!file.readable && QFileInfo::exists(path))
        return nullptr;
    auto tree = std::make_shared<SettingsKey>(file.text ? ParseSettingsText(*file.text)
                                                        : SettingsKey{});
    return std::unique_ptr<CStgRegistry>(new CStgRegistry(path, std::move(tree), true));
}

CStgRegistry::CStgRegistry(QString file, std::shared_ptr<SettingsKey> tree, bool writable)
    : m_file(std::move(file)), m_tree(tree), m_root(std::move(tree), writable), m_writable(writable)
{
}

std::unique_ptr<IStorge> CStgRegistry::Create(std::string_view name)
{
    return m_root.Create(name);
}

std::unique_ptr<IStorge> CStgRegistry::Open(std::string_view name)
{
    return m_root.Open(name);
}

bool CStgRegistry::SetBinaryValue(std::string_view name, std::span<const std::uint8_t> data)
{
    return m_root.SetBinaryValue(name, data);
}

std::optional<std::vector<std::uint8_t>> CStgRegistry::QueryBinaryValue(std::string_view name)
{
    return m_root.QueryBinaryValue(name);
}

bool CStgRegistry::SetStringValue(std::string_view name, std::string_view value)
{
    return m_root.SetStringValue(name, value);
}

bool CStgRegistry::Flush()
{
    const QFileInfo target(m_file);
    if (!m_writable || !QDir().mkpath(target.path()))
        return false;
    RemoveStaleTemporaryFiles(target);
    const std::string text = WriteSettingsText(*m_tree);
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
        static_cast<qint64>(text.size())) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

}  // namespace sstate

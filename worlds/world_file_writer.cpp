#include "worlds/world_file_writer.h"

#include "physics/body_name.h"

#include <LinearMath/btSerializer.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>
#include <unordered_set>

namespace {

std::string SaveError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return "Kinetta may not write in that folder (permission denied)";
    case EROFS:
        return "the folder is on a read-only disk";
    case ENOSPC:
        return "the disk is full";
    case EFBIG:
        return "the file would be larger than the system allows";
    case EDQUOT:
        return "the disk quota is used up";
    case ENOENT:
        return "the folder does not exist";
    case ENOTDIR:
        return "part of the path is not a folder";
    case EISDIR:
        return "it is a folder";
    case ENAMETOOLONG:
        return "the name is too long";
    default:
        return std::strerror(error);
    }
}

// Registers the names of the shape and of every part of a compound; the
// serializer keeps pointers to the texts, so they live in `texts`.
void NameShapes(const btCollisionShape* shape, const ShapeNameLookup& names,
                btDefaultSerializer& serializer, std::deque<std::string>& texts,
                std::unordered_set<const btCollisionShape*>& seen)
{
    if (shape == nullptr || !seen.insert(shape).second) return;
    std::string name = names(*shape);
    if (!name.empty()) {
        texts.push_back(std::move(name));
        serializer.registerNameForPointer(shape, texts.back().c_str());
    }
    if (shape->isCompound()) {
        const auto* compound = static_cast<const btCompoundShape*>(shape);
        for (int i = 0; i < compound->getNumChildShapes(); ++i) {
            NameShapes(compound->getChildShape(i), names, serializer, texts, seen);
        }
    }
}

bool WriteAll(int fd, const unsigned char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Temporary files are named for what they are, not after the target, so that
// any name the file system accepts can be saved: ".kinetta-saving-" and eight
// random hexadecimal digits. Its writer holds a lock on it (flock) from its
// creation to its rename, so one that nobody holds was left by a save that
// was killed, and goes at once.
constexpr std::string_view kTemporaryPrefix = ".kinetta-saving-";
constexpr size_t kTemporaryDigits = 8;
// Earlier versions locked nothing: their temporary files go once no save
// could still be writing them.
constexpr auto kStaleTemporaryAge = std::chrono::hours(1);

bool IsOurTemporaryName(const std::string& name)
{
    if (name.size() != kTemporaryPrefix.size() + kTemporaryDigits || name.rfind(kTemporaryPrefix, 0) != 0) {
        return false;
    }
    return std::all_of(name.begin() + long(kTemporaryPrefix.size()), name.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Earlier versions named the temporary file after the target, "NAME.saving-"
// and up to six decimal digits. A user's own file may look like that, so such
// a file only counts as ours when what it holds is an unfinished save: nothing
// yet, or a Bullet file's header.
bool IsEarlierTemporaryName(const std::string& name)
{
    constexpr std::string_view marker = ".saving-";
    const size_t at = name.rfind(marker);
    if (at == std::string::npos || at == 0) return false;
    const size_t digits = name.size() - at - marker.size();
    return digits >= 1 && digits <= 6 &&
           std::all_of(name.begin() + long(at + marker.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool HoldsAnUnfinishedSave(const std::filesystem::path& path, off_t size)
{
    if (size == 0) return true;
    char header[6] = {};
    std::ifstream file(path, std::ios::binary);
    return file.read(header, sizeof header) && std::string_view(header, sizeof header) == "BULLET";
}

// The path still names the file open as fd: nobody removed or replaced it.
bool StillNamed(int fd, const std::filesystem::path& path)
{
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Removes one of our temporary files when no writer holds its lock. The lock
// is taken (and kept until the file is gone) so that its writer, should it
// only now have created the file, finds it gone and makes another.
void RemoveIfAbandoned(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, path)) {
        ::unlink(path.c_str());
    }
    ::close(fd);
}

// Removes what killed saves left in the folder: our temporary files that no
// writer holds, and earlier versions' untouched for an hour; plain files of
// this user only.
void RemoveStaleTemporaryFiles(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const auto staleBefore = fs::file_time_type::clock::now() - kStaleTemporaryAge;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (IsOurTemporaryName(name)) {
            RemoveIfAbandoned(entry.path());
            continue;
        }
        if (!IsEarlierTemporaryName(name))
            continue;
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || !HoldsAnUnfinishedSave(entry.path(), info.st_size)) {
            continue;
        }
        std::error_code ignored;
        if (fs::last_write_time(entry.path(), ignored) < staleBefore && !ignored) {
            fs::remove(entry.path(), ignored);
        }
    }
}

// Creates a new file next to the target with the usual permissions (0666
// less the umask), locked for as long as it stays open. Returns its
// descriptor, or -1 with errno set.
int CreateTemporaryNextTo(const std::filesystem::path& target, std::string* temporaryPath)
{
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char digits[kTemporaryDigits + 1];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(random()));
        *temporaryPath = (target.parent_path() / (std::string(kTemporaryPrefix) + digits)).string();
        int fd = ::open(temporaryPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fd;
        if (fd < 0)
            continue;
        // Between the creation and the lock, another save may have taken the
        // new, unlocked file for an abandoned one and removed it.
        if (::flock(fd, LOCK_EX) == 0 && StillNamed(fd, *temporaryPath))
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

WorldFileResult SaveWorldFile(btDynamicsWorld& world, const std::string& path,
                              const ShapeNameLookup& shapeNames)
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::path target(path);
    // Saving onto a link replaces the file it points to, not the link. A link
    // to nothing is refused: where it points may not be where the user thinks.
    if (fs::is_symlink(target, ignored)) {
        std::error_code error;
        fs::path resolved = fs::canonical(target, error);
        if (error) return WorldFileResult::Failure("it is a link to a file that does not exist");
        target = resolved;
    }
    if (target.empty() || target.filename().empty()) return WorldFileResult::Failure("it is a folder");
    struct stat old {};
    bool oldExists = ::stat(target.c_str(), &old) == 0;
    if (oldExists && S_ISDIR(old.st_mode)) return WorldFileResult::Failure("it is a folder");
    // A device or pipe would be replaced by a plain file by the rename below.
    if (oldExists && !S_ISREG(old.st_mode))
        return WorldFileResult::Failure("it is not an ordinary file");

    btDefaultSerializer serializer;
    std::deque<std::string> names;
    if (shapeNames) {
        std::unordered_set<const btCollisionShape*> seen;
        for (int i = 0; i < world.getNumCollisionObjects(); ++i) {
            NameShapes(world.getCollisionObjectArray()[i]->getCollisionShape(), shapeNames,
                       serializer, names, seen);
        }
    }
    // Bodies keep the names their file gave them.
    for (int i = 0; i < world.getNumCollisionObjects(); ++i) {
        const btCollisionObject* object = world.getCollisionObjectArray()[i];
        if (std::string_view name = BodyNameOf(*object); !name.empty()) {
            names.emplace_back(name);
            serializer.registerNameForPointer(object, names.back().c_str());
        }
    }
    world.serialize(&serializer);

    std::string temporary;
    int fd = CreateTemporaryNextTo(target, &temporary);
    if (fd < 0) return WorldFileResult::Failure(SaveError(errno));
    bool written = WriteAll(fd, serializer.getBufferPointer(),
                            static_cast<size_t>(serializer.getCurrentBufferSize()));
    // Keep the old file's permissions: saving must not open up or lock up a
    // file. Never set-user-ID or set-group-ID: this program did not write a program.
    if (written && oldExists) ::fchmod(fd, old.st_mode & 07777 & ~(S_ISUID | S_ISGID));
    written = written && ::fsync(fd) == 0;
    int error = errno;
    // Renamed while still locked: unlocked, it would look abandoned.
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0) {
        written = false;
        error = errno;
    }
    // Once renamed, the target holds what fsync made safe: a failed close
    // changes nothing about that.
    ::close(fd);
    if (!written) {
        ::unlink(temporary.c_str());
        return WorldFileResult::Failure(SaveError(error));
    }
    RemoveStaleTemporaryFiles(target.parent_path().empty() ? fs::path(".") : target.parent_path());
    // The rename itself reaches the disk with the folder.
    int folder = ::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return WorldFileResult::Success();
}

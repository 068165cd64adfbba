#pragma once
// A private folder for the world-file tests, and the reader they run.

#include "worlds/world_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kinetta-world-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no scratch folder";
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        // Tests take permissions away; give them back so that all can go.
        for (auto& entry : std::filesystem::recursive_directory_iterator(m_path, ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Root() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The reader this build made, whatever folder the test runs in.
inline WorldFileOpenOptions ReaderOptions()
{
    WorldFileOpenOptions options;
    options.readerPath = KINETTA_WORLD_READER_PATH;
    return options;
}

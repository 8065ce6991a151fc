#pragma once
// A temporary folder for one test, removed with its contents afterwards.
#include <filesystem>
#include <string>

namespace tvtest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as text with a trailing '/'.
    std::string str() const { return path_.string() + "/"; }
    // Writes bytes to a file below the folder (creating sub-folders) and returns its path.
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

// Whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file);
// Path of a fixture below tests/fixtures.
std::filesystem::path Fixture(const std::string& relative);
// Path of a real outside file below tests/data/real.
std::filesystem::path RealTestData(const std::string& relative);
// A path below the tests/ folder of the source tree ("data/schema/gpx11.xsd",
// "golden/gpx").
std::filesystem::path TestsPath(const std::string& relative);
// A file of the program's data/ folder in the source tree.
std::filesystem::path ShippedData(const std::string& relative);

}  // namespace tvtest

// A fresh folder for one test, removed with everything in it when the object goes, and
// whole-file reads and writes for checking what a program wrote there.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sorvell_test
{

class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return mPath; }
    std::string file(const std::string& name) const { return (mPath / name).string(); }
    std::vector<std::string> names() const; // sorted file names inside

private:
    std::filesystem::path mPath;
};

std::string bytesOf(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

} // namespace sorvell_test

// Replays every committed fuzz input, the seed corpora and the inputs that once made a
// fuzzer fail (fuzz/regressions/<fuzzer>/), through the same target functions the fuzzers
// run. A target aborts on a fault, so a failing input ends this program with its name
// printed first.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

using Target = int (*)(const std::uint8_t*, std::size_t);

struct Fuzzer
{
    const char* name;
    Target target;
};

std::vector<std::filesystem::path> inputsOf(const std::string& name)
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path root(SORVELL_FUZZ_DIR);
    for (const auto& folder : {root / "corpus" / name, root / "regressions" / name})
    {
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
        {
            if (entry.is_regular_file())
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzReplay : public ::testing::TestWithParam<Fuzzer>
{
};

TEST_P(FuzzReplay, EveryKeptInputRunsCleanly)
{
    const auto files = inputsOf(GetParam().name);
    EXPECT_FALSE(files.empty()) << "no seed corpus for " << GetParam().name;
    for (const auto& file : files)
    {
        std::ifstream stream(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(stream), {}};
        std::cerr.flush();
        std::clog << "replaying " << file.string() << '\n';
        GetParam().target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Fuzzers, FuzzReplay,
                         ::testing::Values(Fuzzer{"engine", &sorvell::fuzz::runEngine},
                                           Fuzzer{"box_text", &sorvell::fuzz::runBoxText},
                                           Fuzzer{"attribute", &sorvell::fuzz::runAttributes},
                                           Fuzzer{"message", &sorvell::fuzz::runMessages},
                                           Fuzzer{"chord_file", &sorvell::fuzz::runChordFile}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

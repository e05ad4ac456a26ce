#pragma once
// The quillmark executable driven as users and scripts drive it, over a
// database and documents in a fresh folder that is not the temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/tempdir.h"

namespace quillmark::test {

class CommandTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string dbFolder = dir / "db";
    std::string db = dir / "db/tags.xml";

    CommandTest() { std::filesystem::create_directories(dir / "tmp"); }

    ProcessOptions Options() const
    {
        ProcessOptions options;
        options.env = {{"QUILLMARK_REGISTRY", dir / "registry.reg"}, {"XDG_DATA_HOME", dir / "data"},
                       {"XDG_CONFIG_HOME", dir / "config"}, {"TMPDIR", dir / "tmp"}};
        options.workingDir = dir.Path();
        return options;
    }
    ProcessResult Run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {QUILLMARK_BIN, "--db", db});
        return RunProcess(args, Options());
    }
    static std::string Read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return in ? text.str() : std::string("<missing>");
    }
    std::string ReadDb() const { return Read(db); }
    // Makes the folders of `path` and copies `from` there.
    static std::string Copy(const std::string& from, const std::string& path)
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::filesystem::copy_file(from, path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }
    static void Move(const std::string& from, const std::string& to)
    {
        std::filesystem::create_directories(std::filesystem::path(to).parent_path());
        std::filesystem::rename(from, to);
    }
    static bool Has(const std::string& text, const std::string& line) { return text.find(line) != std::string::npos; }
};

} // namespace quillmark::test

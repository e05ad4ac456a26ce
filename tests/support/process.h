#pragma once
// Runs a program from a test with an argument vector, its own environment
// additions, working directory and standard input; captures what it prints.
#include <map>
#include <string>
#include <vector>

namespace quillmark::test {

struct ProcessResult {
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0;
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::map<std::string, std::string> env; // added to (or replacing in) the test's environment
    std::string workingDir;                 // empty: the test's own
    std::string input;                      // written to its standard input
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

} // namespace quillmark::test

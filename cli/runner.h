#pragma once
// The quillmark command line as a function: parses `argv` as the program's
// arguments, runs the command and returns its exit status (cli::ExitStatus).
// Results go to std::cout, messages to std::cerr. The tag database and every
// file call the command makes for it go through `fs` (the program hands it the
// operating system's; tests a double).
namespace quillmark::files {
class FileSystem;
}

namespace quillmark::cli {

int RunCommandLine(int argc, char** argv, files::FileSystem& fs);

} // namespace quillmark::cli

// quillmark: the command-line tool over the tag database.
#include <iostream>

#include "cli/runner.h"
#include "platform/files/filesystem.h"

int main(int argc, char** argv)
{
    // Results go out through the streams alone, buffered: a search may print
    // a hundred thousand lines.
    std::ios::sync_with_stdio(false);
    return quillmark::cli::RunCommandLine(argc, argv, quillmark::files::FileSystem::Posix());
}

#pragma once
// A flat OpenDocument presentation (one XML file, loadable by LibreOffice as it
// is): one slide per title, each with its title in the master's title place and
// a rectangle below it.
#include <string>
#include <vector>

namespace quillmark::test {

std::string FlatPresentation(const std::vector<std::string>& titles);

} // namespace quillmark::test

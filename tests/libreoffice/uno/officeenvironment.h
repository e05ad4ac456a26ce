#pragma once
// The one headless LibreOffice of the UNO tests: started (own profile, own pipe)
// before the first test, ended after the last, also when tests fail. The test
// program's main thread holds the baton, as a real program's does.
#include "libreoffice/uno/officeconnection.h"
#include "tests/support/flatpresentation.h"
#include "tests/support/tempdir.h"

#include <string>
#include <vector>

namespace quillmark::test {

libreoffice::OfficeConnection& Office();

// The Keywords of a file as exiftool reads them ("" when it has none).
std::string ExifKeywords(const std::string& path);
// The text of one member of a zip package.
std::string ZipMember(const std::string& path, const std::string& member);
// The whole file.
std::string FileBytes(const std::string& path);

} // namespace quillmark::test

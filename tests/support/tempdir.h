#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <string>

namespace quillmark::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_strPath; } // no trailing "/"
    std::string operator/(const std::string& name) const { return m_strPath + "/" + name; }
    // Writes `content` to Path()/name and returns the full path.
    std::string WriteFile(const std::string& name, const std::string& content) const;

private:
    std::string m_strPath;
};

} // namespace quillmark::test

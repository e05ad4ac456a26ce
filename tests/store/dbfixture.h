#pragma once
// A tag database in a fresh folder, with helpers to look at the file itself.
#include "platform/files/files.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"
#include "tests/store/scopedtz.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace quillmark::test {

class DatabaseTest : public ::testing::Test {
protected:
    DatabaseTest() : m_tz("UTC0") { m_settings.DatabasePath = m_dir.Path() + "/"; }

    std::string DbFile() const { return m_dir / "tags.xml"; }

    // A database object over the test's folder, opened.
    // `useIndex` false: every read parses the file, as without a persistent index.
    // `pFs`: the file system handed to it (not owned), else the current one.
    std::unique_ptr<TaggingDatabase> OpenDb(bool useIndex = true, files::FileSystem* pFs = nullptr)
    {
        auto db = pFs ? std::make_unique<TaggingDatabase>(*pFs) : std::make_unique<TaggingDatabase>();
        db->m_pSettings = &m_settings;
        db->SetUseIndex(useIndex);
        EXPECT_TRUE(db->Open());
        return db;
    }

    std::string FileText() const { return files::ReadFile(DbFile()).value_or("<missing>"); }

    // A real file with known write and access times.
    std::string MakeFile(const std::string& name, std::int64_t writeTime = 1128866607,
                         std::int64_t accessTime = 1128870000)
    {
        const std::string path = m_dir.WriteFile(name, "content");
        const struct timespec times[2] = {{accessTime, 0}, {writeTime, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }

    static std::vector<std::string> Paths(const ResultList& results)
    {
        std::vector<std::string> paths;
        for (const FileItem& item : results)
            paths.push_back(item.path);
        return paths;
    }

    TempDir m_dir;
    AppSettings m_settings;
    ScopedTz m_tz;
};

// The parsed database file, freed at the end of the scope.
class ParsedFile {
public:
    explicit ParsedFile(const std::string& path)
        : m_pDoc(xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS))
    {
    }
    ~ParsedFile() { xmlFreeDoc(m_pDoc); }
    ParsedFile(const ParsedFile&) = delete;
    ParsedFile& operator=(const ParsedFile&) = delete;
    bool Ok() const { return m_pDoc != nullptr; }
    xmlNode* Root() const { return xmlDocGetRootElement(m_pDoc); }
    std::vector<xmlNode*> Records() const
    {
        std::vector<xmlNode*> records;
        for (xmlNode* n = Root() ? Root()->children : nullptr; n; n = n->next)
            if (n->type == XML_ELEMENT_NODE)
                records.push_back(n);
        return records;
    }
    static std::vector<std::string> AttributeNames(xmlNode* node)
    {
        std::vector<std::string> names;
        for (xmlAttr* a = node->properties; a; a = a->next)
            names.push_back(reinterpret_cast<const char*>(a->name));
        return names;
    }
    static std::string Attribute(xmlNode* node, const char* name)
    {
        xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
        std::string text = value ? reinterpret_cast<const char*>(value) : "<absent>";
        xmlFree(value);
        return text;
    }
    static std::vector<std::string> ChildTexts(xmlNode* node)
    {
        std::vector<std::string> texts;
        for (xmlNode* c = node->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE)
                continue;
            xmlChar* content = xmlNodeGetContent(c);
            texts.push_back(content ? reinterpret_cast<const char*>(content) : "");
            xmlFree(content);
        }
        return texts;
    }

private:
    xmlDoc* m_pDoc;
};

} // namespace quillmark::test

#include "tests/libreoffice/uno/officeenvironment.h"

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace quillmark::test {

namespace {

std::unique_ptr<libreoffice::OfficeConnection> g_pOffice;

class OfficeEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        libreoffice::StartOptions options;
        options.bHeadless = true;
        std::string error;
        g_pOffice = libreoffice::OfficeConnection::Start(options, &error);
        ASSERT_TRUE(g_pOffice) << "LibreOffice could not be started: " << error;
        g_pOffice->GetBaton().Enter();
    }
    void TearDown() override
    {
        if (!g_pOffice) return;
        g_pOffice->GetBaton().Leave();
        g_pOffice.reset(); // ends the office and removes its profile
    }
};

const auto* g_pEnvironment = ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);

} // namespace

libreoffice::OfficeConnection& Office()
{
    if (!g_pOffice) throw std::runtime_error("no office");
    return *g_pOffice;
}

std::string FlatPresentation(const std::vector<std::string>& titles)
{
    std::string pages;
    int n = 0;
    for (const auto& title : titles) {
        pages += "<draw:page draw:name=\"p" + std::to_string(++n) +
                 "\" draw:master-page-name=\"Default\"><draw:frame presentation:style-name=\"T\" "
                 "presentation:class=\"title\" svg:x=\"2cm\" svg:y=\"1cm\" svg:width=\"24cm\" svg:height=\"3cm\">"
                 "<draw:text-box><text:p>" +
                 title +
                 "</text:p></draw:text-box></draw:frame>"
                 "<draw:rect svg:x=\"3cm\" svg:y=\"7cm\" svg:width=\"10cm\" svg:height=\"6cm\"/></draw:page>";
    }
    return std::string(
               R"(<?xml version="1.0" encoding="UTF-8"?>)"
               R"(<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
               R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
               R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
               R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
               R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" )"
               R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" )"
               R"(xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" office:version="1.2" )"
               R"(office:mimetype="application/vnd.oasis.opendocument.presentation">)"
               R"(<office:styles><style:style style:name="T" style:family="presentation"/></office:styles>)"
               R"(<office:automatic-styles><style:page-layout style:name="PM1"><style:page-layout-properties )"
               R"(fo:page-width="28cm" fo:page-height="21cm"/></style:page-layout></office:automatic-styles>)"
               R"(<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1">)"
               R"(<draw:frame presentation:style-name="T" presentation:class="title" presentation:placeholder="true" )"
               R"(svg:x="2cm" svg:y="1cm" svg:width="24cm" svg:height="3cm"><draw:text-box/></draw:frame>)"
               R"(</style:master-page></office:master-styles><office:body><office:presentation>)") +
           pages + "</office:presentation></office:body></office:document>";
}

std::string ExifKeywords(const std::string& path)
{
    ProcessResult r = RunProcess({"/usr/bin/exiftool", "-s3", "-Keywords", path});
    std::string out = r.out;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

std::string ZipMember(const std::string& path, const std::string& member)
{
    return RunProcess({"/usr/bin/unzip", "-p", path, member}).out;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace quillmark::test

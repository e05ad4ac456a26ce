#include "tests/support/flatpresentation.h"

namespace quillmark::test {

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

} // namespace quillmark::test

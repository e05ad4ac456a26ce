// The streaming face of the safe XML entry point: what the callbacks hear, what
// is refused, where a callback can stop it, and where an error is reported.
#include "platform/untrusted/safesax.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace quillmark::untrusted;
using quillmark::test::TempDir;

namespace {

// Writes every event down as text: "<name a=v>", "</>", "'text'", "[cdata]".
class Recorder : public SaxHandler {
public:
    std::string events;
    int elements = 0;
    // Stop at the start of this element, or on this text, when set.
    std::string stopAtElement, stopAtText;

    void StartElement(const SaxElement& element) override
    {
        ++elements;
        events += "<";
        if (element.prefix)
            events += std::string(element.prefix) + ":";
        events += element.localName;
        if (element.uri)
            events += std::string("{") + element.uri + "}";
        for (const SaxAttribute& attribute : element.attributes)
            events += std::string(" ") + attribute.localName + "=" + std::string(attribute.value);
        events += ">";
        if (element.localName == stopAtElement)
            Stop("stopped at <" + stopAtElement + ">");
    }
    void EndElement() override { events += "</>"; }
    void Characters(std::string_view text) override
    {
        events += "'" + std::string(text) + "'";
        if (!stopAtText.empty() && text.find(stopAtText) != std::string_view::npos)
            Stop("stopped at text");
    }
    void CData(std::string_view text) override { events += "[" + std::string(text) + "]"; }
};

// Hands the text over `step` bytes at a time; fails after `failAfter` bytes.
class Trickle : public SaxSource {
public:
    Trickle(std::string text, std::size_t step, std::size_t failAfter = SIZE_MAX)
        : m_text(std::move(text)), m_step(step), m_failAfter(failAfter)
    {
    }
    std::size_t given = 0;

    std::ptrdiff_t Read(char* buffer, std::size_t size) override
    {
        if (given >= m_failAfter)
            return -1;
        const std::size_t count = std::min({size, m_step, m_text.size() - given});
        std::memcpy(buffer, m_text.data() + given, count);
        given += count;
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::string m_text;
    std::size_t m_step, m_failAfter;
};

} // namespace

TEST(SafeSax, DocumentTypesAndEntitiesAreRefusedBeforeAnyElement)
{
    TempDir dir;
    const std::string secret = dir.WriteFile("secret.txt", "SECRET");
    const std::string dtd = dir.WriteFile("evil.dtd", "<!ENTITY x SYSTEM \"file://" + secret + "\">");
    std::string refs;
    for (int i = 0; i < 100; ++i)
        refs += "&e;";
    const std::string attacks[] = {
        // Internal entities: one large one referenced many times, and a nested one.
        "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"" + std::string(100000, 'x') + "\">]><r>" + refs + "</r>",
        "<!DOCTYPE r [<!ENTITY a \"aa\"><!ENTITY b \"&a;&a;\">]><r>&b;</r>",
        // External entity, external subset from a file, from the network, a parameter entity.
        "<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secret + "\">]><r>&x;</r>",
        "<!DOCTYPE r SYSTEM \"" + dtd + "\"><r>&x;</r>",
        "<!DOCTYPE r SYSTEM \"http://127.0.0.1:9/r.dtd\"><r/>",
        "<!DOCTYPE r [<!ENTITY % p SYSTEM \"file://" + dtd + "\"> %p;]><r>&x;</r>",
        // A bare document type.
        "<!DOCTYPE r><r/>",
    };
    for (const std::string& text : attacks) {
        Recorder recorder;
        const SaxResult result = ParseXmlStream(text, recorder);
        EXPECT_EQ(result.outcome, SaxOutcome::DocumentType) << text.substr(0, 80);
        EXPECT_NE(result.error.find("document type"), std::string::npos) << result.error;
        EXPECT_EQ(recorder.elements, 0) << recorder.events.substr(0, 80);
        EXPECT_EQ(recorder.events.find("SECRET"), std::string::npos);
    }

    // Without a document type no entity but the predefined ones exists.
    Recorder undeclared;
    const SaxResult result = ParseXmlStream("<r>&x;</r>", undeclared);
    EXPECT_EQ(result.outcome, SaxOutcome::Malformed);
    EXPECT_NE(result.error.find("'x'"), std::string::npos) << result.error;

    // The predefined entities and character references are resolved, in text
    // and in attribute values alike.
    Recorder plain;
    EXPECT_EQ(ParseXmlStream("<r a=\"&amp;&lt;&#38;&#x41;&quot;\">&lt;&amp;&#65;<![CDATA[&amp;]]></r>", plain).outcome,
              SaxOutcome::Parsed);
    EXPECT_EQ(plain.events, "<r a=&<&A\">'<''&''A'[&amp;]</>");
}

TEST(SafeSax, ACallbackStopsTheParse)
{
    const std::string text = "<r><a>one</a><b>two</b><c>three</c></r>";
    Recorder atElement;
    atElement.stopAtElement = "b";
    SaxResult result = ParseXmlStream(text, atElement);
    EXPECT_EQ(result.outcome, SaxOutcome::Stopped);
    EXPECT_EQ(result.error, "stopped at <b>");
    EXPECT_EQ(atElement.events, "<r><a>'one'</><b>") << "nothing is reported after the stop";

    Recorder atText;
    atText.stopAtText = "two";
    result = ParseXmlStream(text, atText);
    EXPECT_EQ(result.outcome, SaxOutcome::Stopped);
    EXPECT_EQ(result.error, "stopped at text");
    EXPECT_EQ(atText.events, "<r><a>'one'</><b>'two'");

    // A stop wins over a later fault in the text.
    Recorder beforeFault;
    beforeFault.stopAtElement = "a";
    EXPECT_EQ(ParseXmlStream("<r><a/><unclosed></r>", beforeFault).outcome, SaxOutcome::Stopped);
}

TEST(SafeSax, ErrorsNameTheirLineAndSourcesAreReadInPieces)
{
    // The line of the fault, on one line of text.
    Recorder recorder;
    SaxResult result = ParseXmlStream("<r>\n<a>\n</b>\n</r>", recorder);
    EXPECT_EQ(result.outcome, SaxOutcome::Malformed);
    EXPECT_EQ(result.error.rfind("line 3: ", 0), 0u) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
    result = ParseXmlStream("", recorder);
    EXPECT_EQ(result.outcome, SaxOutcome::Malformed);
    EXPECT_FALSE(result.error.empty());

    // A long text handed over in odd pieces is read whole, its last line counted.
    std::string text = "<r>\n";
    std::string expected = "<r>'\n'";
    for (int i = 0; i < 5000; ++i) {
        text += "<a n=\"" + std::to_string(i) + "\"/>\n";
        expected += "<a n=" + std::to_string(i) + "></>'\n'";
    }
    Trickle whole(text + "</r>", 7);
    Recorder all;
    EXPECT_EQ(ParseXmlStream(whole, all).outcome, SaxOutcome::Parsed);
    EXPECT_EQ(all.events, expected + "</>");
    Trickle broken(text + "<oops", 7);
    result = ParseXmlStream(broken, recorder);
    EXPECT_EQ(result.outcome, SaxOutcome::Malformed);
    EXPECT_EQ(result.error.rfind("line 5002: ", 0), 0u) << result.error;

    // A source that fails ends the parse as such, not as a fault of the text.
    Trickle failing(text + "</r>", 100, 5000);
    result = ParseXmlStream(failing, recorder);
    EXPECT_EQ(result.outcome, SaxOutcome::SourceFailed);
    EXPECT_EQ(failing.given, 5000u);

    // The cap on bytes holds for a source (read no further than one byte past it)
    // and for text in memory; exactly the cap is fine.
    const std::string small = "<r>" + std::string(100, 'x') + "</r>";
    Trickle large(text + "</r>", 1000);
    result = ParseXmlStream(large, recorder, 3000);
    EXPECT_EQ(result.outcome, SaxOutcome::TooLarge);
    EXPECT_NE(result.error.find("3000"), std::string::npos) << result.error;
    EXPECT_EQ(large.given, 3001u);
    EXPECT_EQ(ParseXmlStream(small, recorder, small.size() - 1).outcome, SaxOutcome::TooLarge);
    EXPECT_EQ(ParseXmlStream(small, recorder, small.size()).outcome, SaxOutcome::Parsed);
    Trickle exact(small, 10);
    EXPECT_EQ(ParseXmlStream(exact, recorder, small.size()).outcome, SaxOutcome::Parsed);
}

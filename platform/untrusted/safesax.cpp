#include "platform/untrusted/safesax.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace quillmark::untrusted {

void SaxHandler::Stop(std::string reason)
{
    if (m_bStopped)
        return;
    m_bStopped = true;
    m_strStopReason = std::move(reason);
}

namespace {

const char* Text(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}

// One parse: the parser's user data, holding what the callbacks need.
struct Parse {
    Parse(SaxSource& from, SaxHandler& to, std::uint64_t cap) : source(from), handler(to), maxBytes(cap) {}

    SaxSource& source;
    SaxHandler& handler;
    std::uint64_t maxBytes;
    xmlParserCtxt* context = nullptr;
    std::uint64_t bytesRead = 0;
    bool bTooLarge = false;
    bool bSourceFailed = false;
    bool bDocumentType = false;
    std::vector<SaxAttribute> attributes;
    std::vector<std::string> decoded; // values that held a reference, one per attribute

    static Parse& Of(void* context) { return *static_cast<Parse*>(context); }

    // Stops the parser as soon as the handler has asked for it.
    void AfterCallback()
    {
        if (handler.Stopped())
            xmlStopParser(context);
    }

    std::string_view Value(int index, const xmlChar* begin, const xmlChar* end)
    {
        const std::string_view raw(Text(begin), static_cast<std::size_t>(end - begin));
        if (raw.find('&') == std::string_view::npos)
            return raw;
        // Without entity substitution the parser hands an ampersand on as "&#38;";
        // every other reference is already resolved.
        std::string& value = decoded[static_cast<std::size_t>(index)];
        value.clear();
        for (std::size_t at = 0; at < raw.size();) {
            const std::size_t amp = raw.find('&', at);
            value.append(raw.substr(at, amp - at));
            if (amp == std::string_view::npos)
                break;
            value += '&';
            at = amp + (raw.compare(amp, 5, "&#38;") == 0 ? 5 : 1);
        }
        return value;
    }
};

int Read(void* context, char* buffer, int length)
{
    Parse& parse = Parse::Of(context);
    if (parse.bTooLarge || parse.bSourceFailed || length <= 0)
        return -1;
    // Never ask for more than one byte past the cap: that byte tells that it is exceeded.
    std::size_t wanted = static_cast<std::size_t>(length);
    if (parse.maxBytes != kNoByteCap)
        wanted = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, parse.maxBytes - parse.bytesRead + 1));
    const std::ptrdiff_t count = parse.source.Read(buffer, wanted);
    if (count < 0 || static_cast<std::size_t>(count) > wanted) {
        parse.bSourceFailed = true;
        return -1;
    }
    parse.bytesRead += static_cast<std::uint64_t>(count);
    if (parse.bytesRead > parse.maxBytes) {
        parse.bTooLarge = true;
        return -1;
    }
    return static_cast<int>(count);
}

int Close(void*)
{
    return 0;
}

void StartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                  int namespaceCount, const xmlChar**, int attributeCount, int, const xmlChar** attributes)
{
    Parse& parse = Parse::Of(context);
    const std::size_t count = attributeCount > 0 ? static_cast<std::size_t>(attributeCount) : 0;
    parse.attributes.resize(count);
    if (parse.decoded.size() < count)
        parse.decoded.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const xmlChar** attribute = attributes + 5 * i;
        SaxAttribute& out = parse.attributes[i];
        out.localName = Text(attribute[0]);
        out.prefix = Text(attribute[1]);
        out.uri = Text(attribute[2]);
        out.value = parse.Value(static_cast<int>(i), attribute[3], attribute[4]);
    }
    parse.handler.StartElement(SaxElement{Text(localName), Text(prefix), Text(uri), namespaceCount, parse.attributes});
    parse.AfterCallback();
}

void EndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    Parse& parse = Parse::Of(context);
    parse.handler.EndElement();
    parse.AfterCallback();
}

void Characters(void* context, const xmlChar* text, int length)
{
    Parse& parse = Parse::Of(context);
    parse.handler.Characters(std::string_view(Text(text), static_cast<std::size_t>(length)));
    parse.AfterCallback();
}

void CData(void* context, const xmlChar* text, int length)
{
    Parse& parse = Parse::Of(context);
    parse.handler.CData(std::string_view(Text(text), static_cast<std::size_t>(length)));
    parse.AfterCallback();
}

void Comment(void* context, const xmlChar* text)
{
    Parse& parse = Parse::Of(context);
    parse.handler.Comment(Text(text));
    parse.AfterCallback();
}

void Instruction(void* context, const xmlChar* target, const xmlChar* data)
{
    Parse& parse = Parse::Of(context);
    parse.handler.ProcessingInstruction(Text(target), data ? Text(data) : "");
    parse.AfterCallback();
}

// A document type is where entities and external references would come from:
// refusing it, and any entity declaration, leaves only the predefined entities.
void RefuseSubset(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    Parse& parse = Parse::Of(context);
    parse.bDocumentType = true;
    xmlStopParser(parse.context);
}

void RefuseEntity(void* context, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*)
{
    Parse& parse = Parse::Of(context);
    parse.bDocumentType = true;
    xmlStopParser(parse.context);
}

// The parser's last complaint as "line N: what", on one line.
std::string LastError(xmlParserCtxt* context)
{
    const xmlError* last = xmlCtxtGetLastError(context);
    if (!last || !last->message)
        return "not a well-formed XML document";
    std::string text = "line " + std::to_string(last->line) + ": " + last->message;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

class MemorySource final : public SaxSource {
public:
    explicit MemorySource(std::string_view text) : m_text(text) {}

    std::ptrdiff_t Read(char* buffer, std::size_t size) override
    {
        const std::size_t count = std::min(size, m_text.size() - m_at);
        std::memcpy(buffer, m_text.data() + m_at, count);
        m_at += count;
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

} // namespace

SaxResult ParseXmlStream(SaxSource& source, SaxHandler& handler, std::uint64_t maxBytes)
{
    Parse parse(source, handler, maxBytes);
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = StartElement;
    sax.endElementNs = EndElement;
    sax.characters = Characters;
    sax.ignorableWhitespace = Characters;
    sax.cdataBlock = CData;
    sax.comment = Comment;
    sax.processingInstruction = Instruction;
    sax.internalSubset = RefuseSubset;
    sax.externalSubset = RefuseSubset;
    sax.entityDecl = RefuseEntity;
    // No getEntity, resolveEntity or external subset loading: an entity other
    // than the predefined ones is undeclared, which is an error.
    xmlParserCtxt* context = xmlCreateIOParserCtxt(&sax, &parse, Read, Close, &parse, XML_CHAR_ENCODING_NONE);
    if (!context)
        return {SaxOutcome::Malformed, "out of memory"};
    parse.context = context;
    // No NOENT, DTDLOAD, DTDATTR or HUGE: nothing is substituted, loaded or
    // allowed past libxml2's own limits.
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlParseDocument(context);
    const bool bWellFormed = context->wellFormed != 0;
    const std::string parserError = bWellFormed ? std::string() : LastError(context);
    // A declaration met before the refusal may have made the parser start a
    // document of its own; it is nobody else's to free.
    if (context->myDoc) {
        xmlFreeDoc(context->myDoc);
        context->myDoc = nullptr;
    }
    xmlFreeParserCtxt(context);

    if (parse.bDocumentType)
        return {SaxOutcome::DocumentType, "the text declares a document type, which this reader refuses"};
    if (handler.Stopped())
        return {SaxOutcome::Stopped, handler.StopReason()};
    if (parse.bTooLarge)
        return {SaxOutcome::TooLarge, "the text is larger than " + std::to_string(maxBytes) + " bytes"};
    if (parse.bSourceFailed)
        return {SaxOutcome::SourceFailed, {}};
    if (!bWellFormed)
        return {SaxOutcome::Malformed, parserError};
    return {};
}

SaxResult ParseXmlStream(std::string_view text, SaxHandler& handler, std::uint64_t maxBytes)
{
    if (text.size() > maxBytes)
        return {SaxOutcome::TooLarge, "the text is larger than " + std::to_string(maxBytes) + " bytes"};
    MemorySource source(text);
    return ParseXmlStream(source, handler, maxBytes);
}

} // namespace quillmark::untrusted

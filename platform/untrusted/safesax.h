#pragma once
// The streaming face of the one safe way to parse XML: the caller hands over its
// callbacks and a source of bytes; the parser, and how it is set up, stay here.
// As with ParseXml, a document type (and so any entity declaration) is refused,
// no entity but the five predefined ones exists, nothing is fetched from the
// network, and libxml2's own limits on text length and depth hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::untrusted {

// An attribute as a start tag carries it. Names are null when absent (no prefix,
// no namespace); the value has every reference resolved.
struct SaxAttribute {
    const char* localName = nullptr;
    const char* prefix = nullptr;
    const char* uri = nullptr;
    std::string_view value;
};

// A start tag. Valid only during the call that reports it.
struct SaxElement {
    const char* localName = nullptr;
    const char* prefix = nullptr; // null without one
    const char* uri = nullptr;    // null outside any namespace
    int namespaceCount = 0;       // namespace declarations on this element
    const std::vector<SaxAttribute>& attributes;
};

// What the caller hears. Any callback may call Stop: the parse ends there.
class SaxHandler {
public:
    virtual ~SaxHandler() = default;

    virtual void StartElement(const SaxElement& element) { (void)element; }
    virtual void EndElement() {}
    // Character data, in one or more pieces; white space between elements too.
    virtual void Characters(std::string_view text) { (void)text; }
    virtual void CData(std::string_view text) { (void)text; }
    virtual void Comment(std::string_view text) { (void)text; }
    virtual void ProcessingInstruction(const char* target, const char* data)
    {
        (void)target;
        (void)data;
    }

    // Ends the parse after the current callback; `reason` becomes the error.
    void Stop(std::string reason);
    bool Stopped() const { return m_bStopped; }
    const std::string& StopReason() const { return m_strStopReason; }

private:
    bool m_bStopped = false;
    std::string m_strStopReason;
};

// Where the bytes come from: Read fills up to `size` bytes of `buffer` and
// returns how many (0 at the end), or -1 when it cannot (the parse then ends with
// SaxOutcome::SourceFailed; the source knows why).
class SaxSource {
public:
    virtual ~SaxSource() = default;
    virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
};

enum class SaxOutcome {
    Parsed,       // the whole text was read and is well-formed
    Stopped,      // a callback called Stop (error: its reason)
    DocumentType, // the text declares a document type or an entity
    TooLarge,     // the text is longer than the cap
    SourceFailed, // the source returned -1
    Malformed,    // not well-formed (error: "line N: what")
};

struct SaxResult {
    SaxOutcome outcome = SaxOutcome::Parsed;
    std::string error; // empty when Parsed or SourceFailed
};

// No cap on the bytes read beyond libxml2's own limits.
constexpr std::uint64_t kNoByteCap = UINT64_MAX;

// Parses what `source` gives, reporting to `handler`. With `maxBytes`, a text
// longer than that is refused (TooLarge) without reading much past it.
SaxResult ParseXmlStream(SaxSource& source, SaxHandler& handler, std::uint64_t maxBytes = kNoByteCap);
// The same over text in memory.
SaxResult ParseXmlStream(std::string_view text, SaxHandler& handler, std::uint64_t maxBytes = kNoByteCap);

} // namespace quillmark::untrusted

// One SAX pass over the database file. Besides the records it checks, byte for
// byte, that the file is what the formatter writes for the records read from it
// (then changes can be written by copying its untouched parts). The expected
// bytes are produced from the parse events and compared with the bytes read,
// which are kept only until they are checked.
#include "store/databasereader.h"

#include "platform/files/filesystem.h"
#include "platform/untrusted/safesax.h"
#include "store/indexfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace quillmark {

namespace {

bool Named(const char* name, const char* expected)
{
    return std::strcmp(name, expected) == 0;
}

class Reader final : public untrusted::SaxHandler, public untrusted::SaxSource {
public:
    Reader(files::FileSystem& fs, int fd, TagIndex& index, bool indentedRoot, indexfile::ContentHash* hash)
        : m_fs(fs), m_nFd(fd), m_index(index), m_bIndentedRoot(indentedRoot), m_pHash(hash)
    {
    }

    ReadResult Run(const std::string& name, std::string& error);

private:
    // The first-child text of an element inside a record: what a tag is read as.
    enum class Capture { None, Text, CData, Closed, NoText };

    // The bytes for the parser, from the file.
    std::ptrdiff_t Read(char* buffer, std::size_t length) override;
    // The parse events.
    void StartElement(const untrusted::SaxElement& element) override;
    void EndElement() override;
    void Characters(std::string_view text) override;
    void CData(std::string_view text) override;
    void Comment(std::string_view) override { OtherNode(); }
    void ProcessingInstruction(const char*, const char*) override { OtherNode(); }

    void OtherNode(); // a comment or processing instruction
    void Refuse(const char* reason);
    void NotCanonical();
    void Emit(std::string_view bytes);
    void EmitText(const char* text, std::size_t length);
    void ClosePending();
    void Scan(const char* bytes, std::size_t length);

    files::FileSystem& m_fs;
    int m_nFd;
    TagIndex& m_index;
    bool m_bIndentedRoot;
    indexfile::ContentHash* m_pHash = nullptr;

    // Reading. One buffer serves the parser and the byte-for-byte check: it
    // holds the bytes read and still needed (handed to the parser and not yet
    // checked, or not yet handed), and is refilled in large blocks.
    bool Refill();
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_held = 0;       // bytes in m_buffer
    std::uint64_t m_heldBase = 0; // file offset of m_buffer[0]
    std::uint64_t m_handed = 0;   // file offset of the next byte for the parser
    int m_nReadErrno = 0;

    // Attribute counting over the raw bytes, before the parser sees them.
    enum class Scanning { Text, Open, Bang, Tag, EndTag, Quote, Comment, CDataSection, Instruction, Declaration };
    Scanning m_scan = Scanning::Text;
    char m_quote = 0, m_prev1 = 0, m_prev2 = 0;
    int m_nAttributes = 0;
    bool m_bTooManyAttributes = false;

    // The byte-for-byte check.
    bool m_bCanonical = true;
    std::uint64_t m_expected = 0; // bytes checked so far
    bool m_bPending = false;      // a start tag awaits its ">" or "/>"
    std::string m_scratch;

    // Structure.
    int m_nDepth = 0;       // open elements; the root is depth 1
    int m_nRecordDepth = 0; // depth of the open record, 0 outside records
    bool m_bRootHasText = false;
    bool m_bRootHasElement = false;
    bool m_bIndentFits = true; // the root's text is exactly the formatter's indenting
    std::string m_rootText;    // root-level text since the last root child
    std::uint64_t m_rootClose = 0;

    // The open record.
    std::array<std::string, kAttrCount> m_values;
    AttrList m_attrs;
    std::string m_tags;
    std::uint64_t m_begin = 0;
    std::uint32_t m_startTag = 0;
    bool m_bRecordStartPending = false;
    Capture m_capture = Capture::None;
    std::string m_captured;
    bool m_bChildIsTag = false;
};

// Drops the bytes no longer needed and reads the next block after the rest.
// False at the end of the file or on a read error (m_nReadErrno set).
bool Reader::Refill()
{
    constexpr std::size_t kBlock = 1 << 16;
    const std::uint64_t keep = m_bCanonical ? std::min(m_expected, m_handed) : m_handed;
    if (const auto drop = static_cast<std::size_t>(keep - m_heldBase); drop > 0) {
        // Only what the parser holds and has not reported yet is moved: a few KB.
        std::memmove(m_buffer.get(), m_buffer.get() + drop, m_held - drop);
        m_held -= drop;
        m_heldBase = keep;
    }
    if (m_capacity - m_held < kBlock) {
        const std::size_t capacity = std::max(2 * m_capacity, m_held + kBlock);
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_held > 0)
            std::memcpy(grown.get(), m_buffer.get(), m_held);
        m_buffer = std::move(grown);
        m_capacity = capacity;
    }
    ssize_t n;
    do
        n = m_fs.Read(m_nFd, m_buffer.get() + m_held, m_capacity - m_held);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        m_nReadErrno = errno;
        return false;
    }
    if (n == 0)
        return false;
    if (m_pHash)
        m_pHash->Add(m_buffer.get() + m_held, static_cast<std::size_t>(n));
    m_held += static_cast<std::size_t>(n);
    return true;
}

std::ptrdiff_t Reader::Read(char* buffer, std::size_t length)
{
    if (m_bTooManyAttributes || length == 0)
        return -1;
    if (m_handed == m_heldBase + m_held && !Refill())
        return m_nReadErrno != 0 ? -1 : 0;
    const char* bytes = m_buffer.get() + (m_handed - m_heldBase);
    const std::size_t count = std::min(length, static_cast<std::size_t>(m_heldBase + m_held - m_handed));
    Scan(bytes, count);
    if (m_bTooManyAttributes)
        return -1;
    m_handed += count;
    std::memcpy(buffer, bytes, count);
    return static_cast<std::ptrdiff_t>(count);
}

// Counts the attributes of each start tag: an "=" outside quotes inside a tag.
// Text, quoted values and other markup are skipped to the one character that
// can end them.
void Reader::Scan(const char* bytes, std::size_t length)
{
    const char* const end = bytes + length;
    const char* p = bytes;
    // Most spans are short (indenting, a date, a tag): a few bytes are looked at
    // in place before paying for a call.
    auto skipTo = [&](char wanted) {
        for (const char* const near = std::min(end, p + 16); p < near; ++p)
            if (*p == wanted)
                return true;
        const void* found = p < end ? std::memchr(p, wanted, static_cast<std::size_t>(end - p)) : nullptr;
        p = found ? static_cast<const char*>(found) : end;
        return found != nullptr;
    };
    while (p < end) {
        switch (m_scan) {
        case Scanning::Text:
            if (skipTo('<')) {
                m_scan = Scanning::Open;
                ++p;
            }
            continue;
        case Scanning::Quote:
            if (skipTo(m_quote)) {
                m_scan = Scanning::Tag;
                ++p;
            }
            continue;
        case Scanning::EndTag:
        case Scanning::Declaration:
            if (skipTo('>')) {
                m_scan = Scanning::Text;
                ++p;
            }
            continue;
        case Scanning::Comment:
        case Scanning::CDataSection:
        case Scanning::Instruction: {
            // Ends at "-->", "]]>" or "?>": look back at the characters before each ">".
            const char* from = p;
            if (!skipTo('>')) {
                if (end - from >= 2) {
                    m_prev2 = end[-2];
                    m_prev1 = end[-1];
                } else if (end - from == 1) {
                    m_prev2 = m_prev1;
                    m_prev1 = end[-1];
                }
                continue;
            }
            const char prev1 = p > from ? p[-1] : m_prev1;
            const char prev2 = p - from >= 2 ? p[-2] : p - from == 1 ? m_prev1 : m_prev2;
            const bool closes = m_scan == Scanning::Comment        ? prev1 == '-' && prev2 == '-'
                              : m_scan == Scanning::CDataSection ? prev1 == ']' && prev2 == ']'
                                                                 : prev1 == '?';
            m_prev2 = prev1;
            m_prev1 = '>';
            ++p;
            if (closes)
                m_scan = Scanning::Text;
            continue;
        }
        case Scanning::Tag:
            // Names and white space up to a quote, an "=" or the end of the tag.
            while (p < end) {
                const char c = *p++;
                if (c == '"' || c == '\'') {
                    m_quote = c;
                    m_scan = Scanning::Quote;
                    break;
                }
                if (c == '=') {
                    if (++m_nAttributes > kMaxAttributes)
                        m_bTooManyAttributes = true;
                } else if (c == '>') {
                    m_scan = Scanning::Text;
                    break;
                }
            }
            continue;
        default:
            break;
        }
        const char c = *p++;
        switch (m_scan) {
        case Scanning::Open:
            m_nAttributes = 0;
            m_scan = c == '!' ? Scanning::Bang
                   : c == '?' ? Scanning::Instruction
                   : c == '/' ? Scanning::EndTag
                              : Scanning::Tag;
            break;
        case Scanning::Bang:
            m_scan = c == '-' ? Scanning::Comment : c == '[' ? Scanning::CDataSection : Scanning::Declaration;
            break;
        default:
            break;
        }
        m_prev2 = m_prev1;
        m_prev1 = c;
    }
}

void Reader::Refuse(const char* reason)
{
    Stop(reason);
}

// The bytes kept for the check are dropped at the next refill.
void Reader::NotCanonical()
{
    m_bCanonical = false;
}

// Checks that the file's next bytes are `bytes`. They are compared with what
// was read, even where the parser has not been handed it yet.
void Reader::Emit(std::string_view bytes)
{
    if (!m_bCanonical)
        return;
    const auto at = static_cast<std::size_t>(m_expected - m_heldBase);
    if (at + bytes.size() > m_held || std::memcmp(m_buffer.get() + at, bytes.data(), bytes.size()) != 0) {
        NotCanonical();
        return;
    }
    m_expected += bytes.size();
}

void Reader::EmitText(const char* text, std::size_t length)
{
    if (!m_bCanonical)
        return;
    m_scratch.clear();
    AppendEscapedText(m_scratch, std::string_view(text, length));
    Emit(m_scratch);
}

void Reader::ClosePending()
{
    if (!m_bPending)
        return;
    m_bPending = false;
    Emit(">");
    if (m_bRecordStartPending) {
        m_bRecordStartPending = false;
        m_startTag = static_cast<std::uint32_t>(m_expected - m_begin);
    }
}

void Reader::StartElement(const untrusted::SaxElement& element)
{
    const char* const localName = element.localName;
    const char* const prefix = element.prefix;
    const char* const uri = element.uri;
    const int namespaceCount = element.namespaceCount;
    const std::size_t attributeCount = element.attributes.size();
    ++m_nDepth;
    if (m_nDepth == 1) {
        // Anything but a plain <documents> root would hide the records from
        // every lookup, or give new records a namespace.
        if (!Named(localName, "documents") || prefix || uri) {
            Refuse("the root element is not a plain <documents>");
            return;
        }
        if (attributeCount > 0 || namespaceCount > 0)
            NotCanonical();
        Emit(kXmlDeclaration);
        Emit("<documents");
        m_bPending = true;
        return;
    }
    ClosePending();
    if (m_nDepth == 2) {
        m_bRootHasElement = true;
        m_bIndentFits = m_bIndentFits && m_rootText == "\n  ";
        m_rootText.clear();
    }
    if (m_nRecordDepth > 0) {
        if (m_nDepth == m_nRecordDepth + 1) {
            m_capture = Capture::None;
            m_captured.clear();
            m_bChildIsTag = !uri && Named(localName, "tag");
            if (!m_bChildIsTag || prefix || attributeCount > 0 || namespaceCount > 0)
                NotCanonical();
            Emit("<tag");
            m_bPending = true;
        } else {
            if (m_nDepth == m_nRecordDepth + 2)
                m_capture = m_capture == Capture::None ? Capture::NoText
                          : m_capture == Capture::NoText ? Capture::NoText
                                                         : Capture::Closed;
            NotCanonical();
        }
        return;
    }
    if (uri || !Named(localName, "doc")) {
        NotCanonical(); // records may stand deeper, but not in a file the formatter wrote
        return;
    }
    m_nRecordDepth = m_nDepth;
    m_attrs = AttrList();
    m_tags.clear();
    if (m_nDepth != 2 || prefix || namespaceCount > 0)
        NotCanonical();
    for (const untrusted::SaxAttribute& attribute : element.attributes) {
        const Attr attr = attribute.prefix ? kAttrCount : AttrOf(attribute.localName);
        if (attr == kAttrCount) {
            NotCanonical();
            continue;
        }
        // Kept until the record ends; the parser's copy is gone by then.
        std::string& value = m_values[attr];
        value.assign(attribute.value);
        m_attrs.Set(attr, value);
    }
    m_begin = m_expected;
    if (m_bCanonical) {
        m_scratch.clear();
        AppendStartTag(m_scratch, m_attrs);
        Emit(m_scratch);
    }
    m_bPending = true;
    m_bRecordStartPending = true;
}

void Reader::EndElement()
{
    if (m_nDepth == 1) {
        if (m_bPending) {
            m_bPending = false;
            Emit("/>");
        } else {
            m_rootClose = m_expected;
            Emit("</documents>");
        }
        Emit("\n");
        m_bIndentFits = m_bIndentFits && m_rootText == (m_bRootHasElement ? "\n" : "");
    } else if (m_nRecordDepth > 0 && m_nDepth == m_nRecordDepth) {
        if (m_bPending) {
            m_bPending = false;
            m_bRecordStartPending = false;
            Emit("/>");
            m_startTag = static_cast<std::uint32_t>(m_expected - m_begin);
        } else {
            Emit("</doc>");
        }
        const std::uint32_t number = m_index.Append(m_attrs, m_tags);
        TagIndex::Record& record = m_index.MutableRecords()[number];
        record.begin = m_begin;
        record.end = m_expected;
        record.startTag = m_startTag;
        m_nRecordDepth = 0;
        if (m_nDepth == 2)
            m_rootText.clear();
    } else if (m_nRecordDepth > 0 && m_nDepth == m_nRecordDepth + 1) {
        if (m_capture == Capture::Text || m_capture == Capture::CData || m_capture == Capture::Closed) {
            m_tags += m_captured;
            m_tags += m_bChildIsTag ? TagIndex::kTagMark : TagIndex::kOtherMark;
        }
        if (m_bPending) {
            m_bPending = false;
            Emit("/>");
        } else {
            Emit("</tag>");
        }
    } else if (m_nDepth == 2) {
        m_rootText.clear();
    }
    --m_nDepth;
}

void Reader::Characters(std::string_view piece)
{
    const char* const text = piece.data();
    const std::size_t length = piece.size();
    if (m_nDepth == 1) {
        m_bRootHasText = true;
        m_rootText.append(text, length);
    } else if (m_nRecordDepth == 0 || m_nDepth > m_nRecordDepth + 1) {
        return; // inside elements that are neither records nor their children
    } else if (m_nDepth == m_nRecordDepth + 1) {
        if (m_capture == Capture::None)
            m_capture = Capture::Text;
        else if (m_capture == Capture::CData)
            m_capture = Capture::Closed;
        if (m_capture == Capture::Text)
            m_captured.append(text, length);
    }
    ClosePending();
    EmitText(text, length);
}

void Reader::CData(std::string_view text)
{
    NotCanonical();
    if (m_nRecordDepth > 0 && m_nDepth == m_nRecordDepth + 1) {
        if (m_capture == Capture::None) {
            m_capture = Capture::CData;
            m_captured.assign(text);
        } else if (m_capture == Capture::Text || m_capture == Capture::CData) {
            m_capture = Capture::Closed;
        }
    }
}

void Reader::OtherNode()
{
    NotCanonical();
    if (m_nRecordDepth > 0 && m_nDepth == m_nRecordDepth + 1) {
        if (m_capture == Capture::None)
            m_capture = Capture::NoText;
        else if (m_capture == Capture::Text || m_capture == Capture::CData)
            m_capture = Capture::Closed;
    }
}

ReadResult Reader::Run(const std::string& name, std::string& error)
{
    m_index.Clear();
    if (struct stat st {}; m_fs.StatFd(m_nFd, &st) == 0 && st.st_size > 0)
        m_index.Reserve(static_cast<std::uint64_t>(st.st_size));
    // The database never has a document type: the entry point refuses it, and
    // with it every entity declaration and external reference.
    const untrusted::SaxResult parsed = untrusted::ParseXmlStream(*this, *this);

    if (m_nReadErrno != 0) {
        error = "cannot read \"" + name + "\": " + std::strerror(m_nReadErrno);
        m_index.Clear();
        return ReadResult::ReadError;
    }
    ReadResult result = ReadResult::Read;
    if (m_bTooManyAttributes) {
        error = "an element has more than " + std::to_string(kMaxAttributes) + " attributes";
        result = ReadResult::Malformed;
    } else if (parsed.outcome == untrusted::SaxOutcome::DocumentType) {
        error = "the file carries a document type declaration";
        result = ReadResult::Malformed;
    } else if (parsed.outcome != untrusted::SaxOutcome::Parsed) {
        error = parsed.error.empty() ? "not a well-formed XML document" : parsed.error;
        result = ReadResult::Malformed;
    } else if (m_nDepth != 0) {
        error = "not a well-formed XML document";
        result = ReadResult::Malformed;
    }
    if (result != ReadResult::Read) {
        m_index.Clear();
        return result;
    }
    struct stat st {};
    const bool sized = m_fs.StatFd(m_nFd, &st) == 0;
    bool canonical = m_bCanonical && sized && static_cast<std::uint64_t>(st.st_size) == m_expected;
    TagIndex::Layout layout;
    if (m_bIndentedRoot) {
        layout = TagIndex::Layout::Indented;
        canonical = canonical && m_bIndentFits;
    } else {
        layout = m_bRootHasText ? TagIndex::Layout::AsRead : TagIndex::Layout::Indented;
        // Records in a root without text would be indented by the formatter.
        canonical = canonical && (m_bRootHasText || !m_bRootHasElement);
    }
    m_index.m_bCanonical = canonical;
    m_index.m_layout = layout;
    m_index.m_rootClose = m_rootClose;
    m_index.m_fileSize = sized ? static_cast<std::uint64_t>(st.st_size) : 0;
    return ReadResult::Read;
}

} // namespace

ReadResult ReadDatabase(files::FileSystem& fs, int fd, const std::string& name, TagIndex& index, std::string& error,
                        bool indentedRoot, indexfile::ContentHash* hash)
{
    Reader reader(fs, fd, index, indentedRoot, hash);
    return reader.Run(name, error);
}

} // namespace quillmark

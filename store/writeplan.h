#pragma once
// The plan of a database rewrite from pieces of the current file: which byte
// ranges are kept, which are cut or replaced, and which new records go before
// the root's end tag. Pure arithmetic over offsets: no files, no index, so that
// tests can check it against a rewrite from scratch.
#include <cstdint>
#include <string>
#include <vector>

namespace quillmark {

// A run of the new file: bytes of the current file, or literal bytes.
struct WritePiece {
    std::uint64_t offset = 0, length = 0; // in the current file, when `literal` is null
    const std::string* literal = nullptr;
};

struct WritePlanInput {
    std::uint64_t size = 0;      // of the current file
    std::uint64_t rootClose = 0; // where "</documents>" starts in it
    bool indented = false;       // records stand on lines of their own, two spaces in
    std::size_t liveBefore = 0;  // records in the current file
    std::size_t liveAfter = 0;   // records in the new file
    // A record element [begin, end) of the current file, cut (no literal) or
    // replaced from `begin` up to `end` by `literal`. Edits never overlap.
    struct Edit {
        std::uint64_t begin = 0, end = 0;
        const std::string* literal = nullptr;
    };
    std::vector<Edit> edits;
    std::vector<const std::string*> appended; // new records, in order, after all others
};

struct WritePlan {
    std::vector<WritePiece> pieces;
    std::uint64_t size = 0;                 // of the new file
    std::vector<std::uint64_t> editAt;      // where each replacing edit's literal begins (cuts: 0)
    std::vector<std::uint64_t> appendedAt;  // where each appended record begins
    // Where the byte at `offset` of the current file stands in the new one; it
    // must lie in a kept range.
    std::uint64_t Moved(std::uint64_t offset) const;

    std::vector<std::uint64_t> m_keptFrom, m_keptTo; // kept ranges, ascending, and their new offsets
};

WritePlan PlanWrite(const WritePlanInput& input);

} // namespace quillmark

#pragma once
// Entry points shared by the libFuzzer targets and the corpus replay test. Each takes raw input
// bytes, runs one parser of device replies on them and aborts when one of the parser's invariants
// is broken (a sanitizer only sees memory errors, not wrong results or unbounded growth).
#include <cstddef>
#include <cstdint>

namespace lmv::fuzz {

using Entry = int (*)(const std::uint8_t *data, std::size_t size);

// The input is a received byte stream, delivered whole and in as many pieces as the first byte says.
int extractFrame(const std::uint8_t *data, std::size_t size);
// The input is one extracted payload; its content goes on to the decoder of its kind.
int classifyReply(const std::uint8_t *data, std::size_t size);
// The input is the content of a project or RVB position list reply.
int nameList(const std::uint8_t *data, std::size_t size);
// The input is the content of an RVA position list reply.
int rvaPositionList(const std::uint8_t *data, std::size_t size);
// The input is the content of a file list reply, decoded for both groups.
int fileList(const std::uint8_t *data, std::size_t size);
// The input is the content of an RVB node table reply.
int nodeTable(const std::uint8_t *data, std::size_t size);

struct NamedEntry
{
    const char *name; // also the corpus folder name below tests/fuzz/corpus/
    Entry entry;
};
// Every target, in a fixed order.
const NamedEntry *entries(std::size_t *count);

} // namespace lmv::fuzz

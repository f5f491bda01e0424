#pragma once

#include <cstddef>
#include <cstdint>

// Runs one input through the parsers that take bytes from the link: the message
// reader in both framings (fed whole and in pieces, which must agree) and the
// three record readers (whose records must survive being written and read again).
// The first byte picks the parser, the second the piece size. Aborts on any
// broken promise so the fuzzer and the replay test both see it.
int ozmProtocolFuzzOneInput(const uint8_t* data, size_t size);

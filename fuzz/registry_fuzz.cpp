// Fuzz target: the settings store's file, the .reg text a user may have edited by hand (UTF-8,
// cp1252 or UTF-16), read as the store reads it. Lines that cannot be read are reported and skipped; what was
// kept, written out and read again, is the same tree, and writing that gives the same text.
#include "registry_store.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<kel::reg::ParseError> errors;
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const kel::reg::Tree tree = kel::reg::ParseRegText(kel::reg::DecodeFileText(raw), errors);
    for (const kel::reg::ParseError& e : errors)
        if (e.line < 1 || e.reason.empty())
            std::abort();

    const std::string text = kel::reg::FormatRegText(tree);
    std::vector<kel::reg::ParseError> again;
    const kel::reg::Tree reread = kel::reg::ParseRegText(text, again);
    if (!again.empty() || !(reread == tree) || kel::reg::FormatRegText(reread) != text)
        std::abort();
    return 0;
}

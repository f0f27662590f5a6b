// libFuzzer harness for the key-value reader. It compiles the reader itself,
// so that the reader carries the fuzzer's coverage and nothing else of the
// program is needed. Each input is read as a file; the document written
// from it must read back as the same lines, and a few operations driven by
// the input's last bytes must keep it consistent.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/atomic_file.cpp"
#include "library/key_value_file.cpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    KeyValueFile doc;
    doc.parse(bytes);
    const auto lines = doc.lines();
    const std::string written = doc.serialize();

    // A first line beginning with the byte-order mark switches the next
    // read to UTF-8 mode; that is the format, not a fault.
    if (doc.utf8Mode() || !written.starts_with("\xEF\xBB\xBF")) {
        KeyValueFile again;
        again.parse(written);
        require(again.lines() == lines);
        require(again.serialize() == written);
    }

    // Operations named by the input's own bytes.
    const std::string_view name = bytes.substr(0, std::min<size_t>(size, 8));
    const std::string_view key = bytes.substr(size / 2, std::min<size_t>(size - size / 2, 6));
    const unsigned char ops = size ? data[size - 1] : 0;
    doc.selectGroup(ops & 1 ? name : std::string_view());
    doc.writeValue(key, bytes.substr(0, 32));
    const std::string value = doc.readValue(key, "");
    if (!doc.utf8Mode()) {
        // A value is written as one line: control characters become spaces.
        std::string oneLine(bytes.substr(0, 32));
        for (char& c : oneLine)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        std::string_view expected = oneLine;
        while (!expected.empty() && expected.front() == ' ') expected.remove_prefix(1);
        while (!expected.empty() && expected.back() == ' ') expected.remove_suffix(1);
        require(value == expected);
    }
    if (ops & 2) doc.removeGroup(name);
    if (ops & 4) doc.selectGroup(key);
    doc.writeValue(name, key);
    (void)doc.readValue(name, "");
    (void)doc.serialize();
    return 0;
}

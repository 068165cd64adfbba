#pragma once
// A per-user store of the window layout: a tree of keys holding named binary
// values, like a registry key. One object stands for one open key.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace sstate {

class IStorge {
public:
    virtual ~IStorge() = default;

    // Creates the sub-key if needed and opens it for reading and writing;
    // null on failure.
    virtual std::unique_ptr<IStorge> Create(std::string_view name) = 0;
    // Opens an existing sub-key for reading; null when it does not exist.
    virtual std::unique_ptr<IStorge> Open(std::string_view name) = 0;

    // A four-byte value is kept as a 32-bit integer, anything else as bytes.
    virtual bool SetBinaryValue(std::string_view name, std::span<const std::uint8_t> data) = 0;
    // The value's bytes, whatever their number; empty when there is no value
    // of that name or it is neither bytes nor an integer.
    virtual std::optional<std::vector<std::uint8_t>> QueryBinaryValue(std::string_view name) = 0;
    virtual bool SetStringValue(std::string_view name, std::string_view value) = 0;
};

}  // namespace sstate

#pragma once
// The two binary records of the saved window layout: the frame's placement
// (44 bytes) and one toolbar band's description (80 bytes). Both are
// sequences of little-endian 32-bit fields at fixed offsets, so a file
// written on one machine reads the same on any other. Decoding checks the
// length only; every field must still be treated as untrusted by the caller.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sstate {

struct LayoutPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Right and bottom are exclusive.
struct LayoutRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int64_t Width() const { return std::int64_t{right} - left; }
    std::int64_t Height() const { return std::int64_t{bottom} - top; }
    bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
};

inline constexpr std::size_t kPlacementSize = 44;
// Placement flag: a minimised window goes back to maximised when restored.
inline constexpr std::uint32_t kRestoreToMaximized = 0x2;

// Offsets: length 0, flags 4, showCmd 8, minPosition 12, maxPosition 20,
// normalPosition 28 (left, top, right, bottom).
struct WindowPlacement {
    std::uint32_t length = kPlacementSize;
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 0;
    LayoutPoint minPosition;
    LayoutPoint maxPosition;
    LayoutRect normalPosition;
};

inline constexpr std::size_t kBandInfoSize = 80;

// Which fields of a band record are meaningful.
inline constexpr std::uint32_t kBandMaskStyle = 0x001;
inline constexpr std::uint32_t kBandMaskColors = 0x002;
inline constexpr std::uint32_t kBandMaskChildSize = 0x020;
inline constexpr std::uint32_t kBandMaskSize = 0x040;
inline constexpr std::uint32_t kBandMaskId = 0x100;
inline constexpr std::uint32_t kBandMaskIdealSize = 0x200;
inline constexpr std::uint32_t kBandMaskStored = kBandMaskStyle | kBandMaskColors |
                                                 kBandMaskChildSize | kBandMaskSize | kBandMaskId |
                                                 kBandMaskIdealSize;  // 0x363

// Band style bits.
inline constexpr std::uint32_t kBandStyleBreak = 0x001;  // starts a new row
inline constexpr std::uint32_t kBandStyleChildEdge = 0x004;
inline constexpr std::uint32_t kBandStyleHidden = 0x008;
inline constexpr std::uint32_t kBandStyleUseChevron = 0x200;

// "Use the default colour".
inline constexpr std::uint32_t kDefaultColor = 0xFF000000;

// Offsets: cbSize 0, fMask 4, fStyle 8, clrFore 12, clrBack 16, cxMinChild 36,
// cyMinChild 40, cx 44, wID 52, cyChild 56, cyMaxChild 60, cyIntegral 64,
// cxIdeal 68, cxHeader 76. The text, image, child window, background and
// application-data slots (20..35, 48, 72) are written as zero and never read.
struct BandInfo {
    std::uint32_t cbSize = kBandInfoSize;
    std::uint32_t fMask = kBandMaskStored;
    std::uint32_t fStyle = 0;
    std::uint32_t clrFore = kDefaultColor;
    std::uint32_t clrBack = kDefaultColor;
    std::uint32_t cxMinChild = 0;
    std::uint32_t cyMinChild = 0;
    std::uint32_t cx = 0;
    std::uint32_t wID = 0;
    std::uint32_t cyChild = 0;
    std::uint32_t cyMaxChild = 0;
    std::uint32_t cyIntegral = 0;
    std::uint32_t cxIdeal = 0;
    std::uint32_t cxHeader = 0;
};

namespace blob_detail {

inline void Put(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint32_t Get(std::span<const std::uint8_t> in, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t{in[offset + i]} << (8 * i);
    return value;
}

inline void PutSigned(std::span<std::uint8_t> out, std::size_t offset, std::int32_t value)
{
    Put(out, offset, static_cast<std::uint32_t>(value));
}

inline std::int32_t GetSigned(std::span<const std::uint8_t> in, std::size_t offset)
{
    return static_cast<std::int32_t>(Get(in, offset));
}

}  // namespace blob_detail

inline std::array<std::uint8_t, 4> EncodeDword(std::uint32_t value)
{
    std::array<std::uint8_t, 4> out{};
    blob_detail::Put(out, 0, value);
    return out;
}

// Empty when the value is not exactly four bytes long.
inline std::optional<std::uint32_t> DecodeDword(std::span<const std::uint8_t> in)
{
    if (in.size() != 4)
        return std::nullopt;
    return blob_detail::Get(in, 0);
}

inline std::array<std::uint8_t, kPlacementSize> EncodePlacement(const WindowPlacement& p)
{
    using namespace blob_detail;
    std::array<std::uint8_t, kPlacementSize> out{};
    Put(out, 0, p.length);
    Put(out, 4, p.flags);
    Put(out, 8, p.showCmd);
    PutSigned(out, 12, p.minPosition.x);
    PutSigned(out, 16, p.minPosition.y);
    PutSigned(out, 20, p.maxPosition.x);
    PutSigned(out, 24, p.maxPosition.y);
    PutSigned(out, 28, p.normalPosition.left);
    PutSigned(out, 32, p.normalPosition.top);
    PutSigned(out, 36, p.normalPosition.right);
    PutSigned(out, 40, p.normalPosition.bottom);
    return out;
}

// Empty when the record is not exactly 44 bytes long.
inline std::optional<WindowPlacement> DecodePlacement(std::span<const std::uint8_t> in)
{
    using namespace blob_detail;
    if (in.size() != kPlacementSize)
        return std::nullopt;
    WindowPlacement p;
    p.length = Get(in, 0);
    p.flags = Get(in, 4);
    p.showCmd = Get(in, 8);
    p.minPosition = {GetSigned(in, 12), GetSigned(in, 16)};
    p.maxPosition = {GetSigned(in, 20), GetSigned(in, 24)};
    p.normalPosition = {GetSigned(in, 28), GetSigned(in, 32), GetSigned(in, 36), GetSigned(in, 40)};
    return p;
}

inline std::array<std::uint8_t, kBandInfoSize> EncodeBandInfo(const BandInfo& b)
{
    using blob_detail::Put;
    std::array<std::uint8_t, kBandInfoSize> out{};
    Put(out, 0, b.cbSize);
    Put(out, 4, b.fMask);
    Put(out, 8, b.fStyle);
    Put(out, 12, b.clrFore);
    Put(out, 16, b.clrBack);
    Put(out, 36, b.cxMinChild);
    Put(out, 40, b.cyMinChild);
    Put(out, 44, b.cx);
    Put(out, 52, b.wID);
    Put(out, 56, b.cyChild);
    Put(out, 60, b.cyMaxChild);
    Put(out, 64, b.cyIntegral);
    Put(out, 68, b.cxIdeal);
    Put(out, 76, b.cxHeader);
    return out;
}

// Empty when the record is not 80 bytes long or does not say it is.
inline std::optional<BandInfo> DecodeBandInfo(std::span<const std::uint8_t> in)
{
    using blob_detail::Get;
    if (in.size() != kBandInfoSize || Get(in, 0) != kBandInfoSize)
        return std::nullopt;
    BandInfo b;
    b.fMask = Get(in, 4);
    b.fStyle = Get(in, 8);
    b.clrFore = Get(in, 12);
    b.clrBack = Get(in, 16);
    b.cxMinChild = Get(in, 36);
    b.cyMinChild = Get(in, 40);
    b.cx = Get(in, 44);
    b.wID = Get(in, 52);
    b.cyChild = Get(in, 56);
    b.cyMaxChild = Get(in, 60);
    b.cyIntegral = Get(in, 64);
    b.cxIdeal = Get(in, 68);
    b.cxHeader = Get(in, 76);
    return b;
}

}  // namespace sstate

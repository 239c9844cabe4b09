// The dab image as one read saw it, kept with that read's block: a reference
// to the host's image and its size, and, within a budget, a copy of its
// pixels so that stamping reads memory instead of asking the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dab_stamp.h"
#include "framework/host_wrappers.h"

namespace Stipple_Shader {

// Bytes that the pixel copies of all live reads of the plug-in hold together
// at most: 64 MiB, 64 copies of the 256 × 256 dab image (16 bytes a pixel).
// A read whose copy would pass it, or whose copy cannot be allocated, makes
// none: its samples read each pixel through the host's image, and draw the same.
inline constexpr std::size_t kDabCopyBudget = std::size_t(64) << 20;

class DabImageView {
public:
    DabImageView() = default;
    DabImageView(const DabImageView&) = delete;
    DabImageView& operator=(const DabImageView&) = delete;
    ~DabImageView() { release(); }

    // Takes `image` (none when the wrapper holds no image) and its size, and
    // copies its pixels when the budget and the memory allow.
    void read(const CKvUser_Image& image);
    DabPicture picture() const;
    bool copied() const { return !m_rgba.empty(); }

private:
    void release();

    bool m_present = false;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    CKvUser_Image m_image;     // read per sample; released once copied
    std::vector<float> m_rgba;  // R, G, B, A per pixel, row by row from the top
    std::size_t m_charged = 0;  // bytes of the budget the copy holds
};

}  // namespace Stipple_Shader

#include "dab_image_view.h"

#include <atomic>
#include <new>

namespace Stipple_Shader {
namespace {

constexpr std::size_t kPixelBytes = 4 * sizeof(float);

// Bytes held by the copies of every live read, across materials and blocks.
std::atomic<std::size_t> g_copyBytes{0};

bool Charge(std::size_t bytes) {
    std::size_t held = g_copyBytes.load(std::memory_order_relaxed);
    do {
        if (bytes > kDabCopyBudget - held) return false;
    } while (!g_copyBytes.compare_exchange_weak(held, held + bytes, std::memory_order_relaxed));
    return true;
}

void Refund(std::size_t bytes) { g_copyBytes.fetch_sub(bytes, std::memory_order_relaxed); }

// Image slot 5 as four floats; a pixel the host does not give reads as 0.
void ReadHostPixel(void* source, uint32_t column, uint32_t row, float rgba[4]) {
    auto** img = static_cast<vt_IKvImage**>(source);
    if (KV_FAILED((*img)->GetPixel(img, column, row, KV_IMAGE_RGBA_FP, rgba)))
        rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.0f;
}

}  // namespace

void DabImageView::release() {
    m_image.clear();
    std::vector<float>().swap(m_rgba);
    Refund(m_charged);
    m_charged = 0;
    m_present = false;
    m_width = m_height = 0;
}

void DabImageView::read(const CKvUser_Image& image) {
    release();
    if (!image.test() || !m_image.set(image.ptr())) return;
    m_present = true;
    vt_IKvImage** img = m_image.ptr();
    if (KV_FAILED((*img)->Size(img, &m_width, &m_height))) m_width = m_height = 0;
    const uint64_t pixels = uint64_t(m_width) * m_height;
    if (pixels == 0 || pixels > kDabCopyBudget / kPixelBytes || !Charge(pixels * kPixelBytes)) return;
    m_charged = pixels * kPixelBytes;
    try {
        m_rgba.resize(pixels * 4);
    } catch (const std::bad_alloc&) {
        Refund(m_charged);
        m_charged = 0;
        return;
    }
    for (uint32_t row = 0; row < m_height; ++row)
        for (uint32_t column = 0; column < m_width; ++column)
            ReadHostPixel(img, column, row, &m_rgba[(static_cast<std::size_t>(row) * m_width + column) * 4]);
    m_image.clear();  // the copy serves every sample
}

DabPicture DabImageView::picture() const {
    DabPicture p{m_present, m_width, m_height, copied() ? m_rgba.data() : nullptr};
    if (!copied() && m_image.test()) {
        p.read = &ReadHostPixel;
        p.source = m_image.ptr();
    }
    return p;
}

}  // namespace Stipple_Shader
